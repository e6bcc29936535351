#include "win/address_dialog.h"

#include <vector>

#include "panel/port_choice.h"
#include "panel/warning_line.h"
#include "win/box_text.h"
#include "win/console.h"

namespace r7k::win {

namespace {

constexpr WORD kEditId = 100;

struct Request {
    int port = 1;
    std::string text;  // in: the current address; out: the accepted one
};

// A dialog template built in memory: the dialog needs no resource script.
class Template {
  public:
    void word(WORD w) { m_words.push_back(w); }
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    void text(const wchar_t* s) {
        do
            word(WORD(*s));
        while (*s++);
    }
    void align() {
        if (m_words.size() % 2)
            word(0);
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              const wchar_t* title) {
        align();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (short v : {x, y, cx, cy})
            word(WORD(v));
        word(id);
        word(0xFFFF);
        word(atom);
        text(title);
        word(0);  // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }
    WORD* count() { return &m_words[4]; }

  private:
    std::vector<WORD> m_words;
};

std::wstring trimmed(std::wstring s) {
    const auto blank = L" \t\r\n";
    s.erase(0, s.find_first_not_of(blank));
    s.erase(s.find_last_not_of(blank) + 1);
    return s;
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<Request*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            request = reinterpret_cast<Request*>(lParam);
            SetWindowTextW(dialog, toWide("COM" + std::to_string(request->port)).c_str());
            SetDlgItemTextW(dialog, kEditId, toWide(request->text).c_str());
            SendDlgItemMessageW(dialog, kEditId, EM_SETLIMITTEXT, 0, 0);
            SendDlgItemMessageW(dialog, kEditId, EM_SETSEL, 0, -1);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                HWND edit = GetDlgItem(dialog, kEditId);
                std::wstring text(size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
                text.resize(size_t(GetWindowTextW(edit, text.data(), int(text.size()))));
                request->text = toUtf8(trimmed(text));
                if (request->text.empty()) {
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                const std::string why = portChoiceProblem(request->port, request->text);
                if (!why.empty()) {
                    writeErr(warningLine("r7k-panel", why, std::chrono::system_clock::now()));
                    // The port is the box's title, so the box says the rest.
                    const std::string port = "COM" + std::to_string(request->port);
                    MessageBoxW(dialog, toWide(boxText(why.substr(port.size() + 2))).c_str(),
                                toWide(port).c_str(), MB_ICONWARNING | MB_OK);
                    SetFocus(edit);
                    SendMessageW(edit, EM_SETSEL, 0, -1);
                    return TRUE;
                }
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

std::optional<std::string> askNetworkAddress(HWND owner, int port, const std::string& current) {
    Template t;
    t.dword(DS_MODALFRAME | DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.dword(0);
    t.word(0);  // the number of items, counted below
    for (short v : {0, 0, 260, 66})
        t.word(WORD(v));
    t.word(0);  // no menu
    t.word(0);  // the standard dialog class
    t.text(L"");
    t.word(8);
    t.text(L"MS Shell Dlg");
    t.item(SS_LEFT, 7, 7, 246, 9, 0xFFFF, 0x0082,
           L"Gateway address (tcp://HOST:PORT or rfc2217://HOST:PORT):");
    t.item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 19, 246, 14, kEditId, 0x0081, L"");
    t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 149, 43, 50, 14, IDOK, 0x0080, L"OK");
    t.item(BS_PUSHBUTTON | WS_TABSTOP, 203, 43, 50, 14, IDCANCEL, 0x0080, L"Cancel");
    *t.count() = 4;
    Request request{port, current};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner,
                                                   dialogProc, reinterpret_cast<LPARAM>(&request));
    if (result != IDOK)
        return std::nullopt;
    return request.text;
}

}  // namespace r7k::win
