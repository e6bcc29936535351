#include "win/fonts.h"

#include <cmath>
#include <initializer_list>

namespace r7k::win {

namespace {

int CALLBACK foundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool installed(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &wanted, foundFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// The first face of the list this machine has; the first one when none is (Windows' font
// mapper then picks the nearest).
std::wstring firstInstalled(std::initializer_list<const wchar_t*> faces) {
    for (const wchar_t* face : faces) {
        if (installed(face))
            return face;
    }
    return *faces.begin();
}

// The message font of the system at a resolution.
LOGFONTW messageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    LOGFONTW fallback{};
    fallback.lfHeight = -MulDiv(9, int(dpi), 72);
    wcscpy(fallback.lfFaceName, L"Segoe UI");
    return fallback;
}

}  // namespace

std::wstring installedFace(Face face) {
    // "ＭＳ ゴシック" and "ＭＳ Ｐゴシック" as Windows names them in Japanese, then in English.
    static const std::wstring gothic =
        firstInstalled({L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF", L"MS Gothic", L"IPAGothic",
                        L"Noto Sans Mono CJK JP", L"VL Gothic"});
    static const std::wstring pgothic =
        firstInstalled({L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF", L"MS PGothic",
                        L"IPAPGothic", L"Noto Sans CJK JP", L"VL PGothic"});
    switch (face) {
        case Face::Gothic:
            return gothic;
        case Face::PGothic:
            return pgothic;
        case Face::Default:
            break;
    }
    return {};
}

void Fonts::setDpi(UINT dpi) {
    if (dpi == m_dpi)
        return;
    clear();
    m_dpi = dpi;
}

double Fonts::pointsOf(const FontSpec& wanted) const {
    if (wanted.face != Face::Default || wanted.points > 0)
        return wanted.points;
    return std::abs(messageFont(m_dpi).lfHeight) * 72.0 / m_dpi;
}

HFONT Fonts::font(Face face, double points, bool bold) {
    const auto key = std::tuple{face, int(std::lround(points * 4)), bold};
    if (auto it = m_fonts.find(key); it != m_fonts.end())
        return it->second;
    LOGFONTW logical = messageFont(m_dpi);
    logical.lfHeight = -int(std::lround(points * m_dpi / 72.0));
    logical.lfWidth = 0;
    logical.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    logical.lfItalic = FALSE;
    if (face != Face::Default) {
        const std::wstring name = installedFace(face);
        wcsncpy(logical.lfFaceName, name.c_str(), LF_FACESIZE - 1);
        logical.lfCharSet = SHIFTJIS_CHARSET;
        logical.lfPitchAndFamily =
            face == Face::Gothic ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS;
    }
    HFONT made = CreateFontIndirectW(&logical);
    m_fonts.emplace(key, made);
    return made;
}

void Fonts::clear() {
    for (auto& [key, font] : m_fonts)
        DeleteObject(font);
    m_fonts.clear();
}

}  // namespace r7k::win
