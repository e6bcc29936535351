#include "win/win_serial.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>

#include "transport/line_settings.h"
#include "transport/open_failure.h"
#include "transport/port_address.h"
#include "win/perf_clock.h"
#include "win/ui_thread.h"
#include "win/wide.h"
#include "win/windows_message.h"

namespace r7k::win {
namespace {

constexpr DWORD kWriteLimitMs = 2000;  // a write the driver has not finished by then failed
constexpr DWORD kJoinLimitMs = 2000;   // how long closing waits for the reader to end
constexpr DWORD kReadChunk = 4096;
// A byte after a quiet line is handed on at once. Bytes that keep coming (the next within
// kStreamingUs of the last read) are gathered and read every kGatherMs instead of one by one:
// under Wine each read and each hand-over to the UI thread costs round trips through its
// server. A reply amid such a stream is shown at most kGatherMs late, some 23 bytes at 19200
// baud, well within what the port's driver holds.
constexpr std::int64_t kStreamingUs = 2000;
constexpr DWORD kGatherMs = 12;

std::wstring pathFor(const std::string& device) {
    return toWide(windowsDevicePath(device));
}

// What Windows said of a failed open and what a look at the name finds: a folder is refused
// as access denied, like a port another program holds.
LocalFault faultOf(const std::string& device, DWORD error) {
    const DWORD attributes = GetFileAttributesW(pathFor(device).c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return {.platform = DeviceNaming::Windows,
            .code = static_cast<int>(error),
            .probe = {.missing = false, .folder = folder, .mayOpen = true, .access = {}}};
}

}  // namespace

// An open port: its handle, the reader thread and what the reader has received. Shared by the
// UI thread and the reader, so that a reader that outlives a close finds its handles intact.
struct WinSerial::Line {
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE stop = nullptr;  // set when closing: the reader ends
    HANDLE thread = nullptr;
    // The reader's overlapped operations' events, made once: each make and close of one is a
    // round trip to Wine's server.
    HANDLE readDone = nullptr;
    HANDLE commEvent = nullptr;
    // `stop` as the reader sees it between operations.
    std::atomic<bool> stopping = false;
    WinSerial* owner = nullptr;  // null once closed; only the UI thread touches it
    std::string text;            // "COM1 (COM7)" for messages

    std::mutex mutex;
    std::string received;                    // read, not yet taken by input()
    std::atomic<bool> reportPosted = false;  // a report of received bytes is on its way
    std::atomic<bool> failed = false;        // the reader met an error and ended

    ~Line() {
        if (thread)
            CloseHandle(thread);
        if (stop)
            CloseHandle(stop);
        for (const HANDLE event : {readDone, commEvent}) {
            if (event)
                CloseHandle(event);
        }
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }

    // Starts an overlapped operation's wait: true when it completed, false when stopped or
    // failed (`error` then says which: 0 for stopped).
    bool await(OVERLAPPED& ov, DWORD& transferred, DWORD& error) {
        const HANDLE handles[] = {ov.hEvent, stop};
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0) {
            CancelIoEx(handle, &ov);
            GetOverlappedResult(handle, &ov, &transferred, TRUE);
            error = 0;
            return false;
        }
        if (!GetOverlappedResult(handle, &ov, &transferred, FALSE)) {
            error = GetLastError();
            return false;
        }
        return true;
    }

    // Reads what has arrived (possibly nothing); false when stopped or failed.
    bool readSome(char* buffer, DWORD& n, DWORD& error) {
        OVERLAPPED ov{};
        ov.hEvent = readDone;
        bool ok = ReadFile(handle, buffer, kReadChunk, &n, &ov) != 0;
        if (!ok) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING)
                ok = await(ov, n, error);
        }
        return ok;
    }

    // Waits until a byte arrives; false when stopped or failed.
    bool waitForInput(DWORD& error) {
        OVERLAPPED ov{};
        ov.hEvent = commEvent;
        DWORD mask = 0;  // not relied on: Wine leaves it 0
        DWORD n = 0;
        bool ok = WaitCommEvent(handle, &mask, &ov) != 0;
        if (!ok) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                // A byte that came between the last read and this wait may not raise the event.
                COMSTAT stat{};
                DWORD errors = 0;
                if (ClearCommError(handle, &errors, &stat) && stat.cbInQue > 0) {
                    CancelIoEx(handle, &ov);
                    GetOverlappedResult(handle, &ov, &n, TRUE);
                    ok = true;
                } else {
                    ok = await(ov, n, error);
                }
            }
        }
        return ok;
    }

    void readLoop(const std::shared_ptr<Line>& self) {
        char buffer[kReadChunk];
        DWORD error = 0;
        int idle = 0;  // events that brought nothing, in a row
        bool gathering = false;
        std::int64_t lastRead = 0;  // µs, when bytes were last read
        for (;;) {
            if (gathering) {
                Sleep(kGatherMs);  // not a wait on `stop`: under Wine a plain sleep is cheaper
                if (stopping)
                    break;
            }
            DWORD n = 0;
            if (!readSome(buffer, n, error))
                break;
            if (n > 0) {
                idle = 0;
                const std::int64_t now = counterMicroseconds();
                gathering = gathering || now - lastRead < kStreamingUs;
                lastRead = now;
                deliver(self, buffer, n);
                continue;
            }
            gathering = false;  // the stream has paused: wait for its next byte
            if (!waitForInput(error))
                break;
            // An event with nothing to read now and then is normal; a stream of them is a line
            // that keeps signalling (Wine on a hung-up terminal): do not spin on it.
            if (++idle > 100)
                Sleep(10);
        }
        if (error != 0 && WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
            failed = true;
            std::weak_ptr<Line> line = self;
            postToUi([line, error] {
                if (const auto l = line.lock(); l && l->owner)
                    l->owner->lose(*l, error);
            });
        }
    }

    void deliver(const std::shared_ptr<Line>& self, const char* bytes, DWORD n) {
        {
            const std::lock_guard lock(mutex);
            received.append(bytes, n);
        }
        if (reportPosted.exchange(true))
            return;  // the report on its way takes these too
        std::weak_ptr<Line> line = self;
        postToUi([line] {
            if (const auto l = line.lock(); l && l->owner)
                l->owner->report(*l);
        });
    }

    static DWORD WINAPI run(void* param) {
        // The thread's own reference keeps the line alive until the reader is done with it.
        const std::unique_ptr<std::shared_ptr<Line>> self(
            static_cast<std::shared_ptr<Line>*>(param));
        (*self)->readLoop(*self);
        return 0;
    }
};

WinSerial::WinSerial(std::string com1Device, std::string com2Device)
    : m_com1(std::move(com1Device)), m_com2(std::move(com2Device)) {}

WinSerial::~WinSerial() {
    close();
}

bool WinSerial::portOpen() const {
    return m_line != nullptr;
}

SerialResult WinSerial::setCommPort(int port) {
    if (std::string why = notAPanelPort(port); !why.empty())
        return {why};
    if (m_line)
        return {portLabel(m_port) + " is open; close it first."};
    m_port = port;
    return {};
}

SerialResult WinSerial::setSettings(std::string_view settings) {
    if (!parseLineSettings(settings))
        return {"Invalid serial settings \"" + std::string(settings) + "\"."};
    m_settings = settings;
    return m_line ? apply(m_line->handle) : SerialResult{};
}

SerialResult WinSerial::apply(HANDLE handle) {
    const LineSettings s = *parseLineSettings(m_settings);
    // From scratch every time: whatever another program left in the port does not carry over.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = static_cast<DWORD>(s.baud);
    dcb.fBinary = TRUE;
    dcb.fParity = s.parity != 'N';
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;  // unused without flow control, but they must differ
    dcb.XoffChar = 0x13;
    dcb.ByteSize = static_cast<BYTE>(s.dataBits);
    dcb.Parity = s.parity == 'E'   ? EVENPARITY
                 : s.parity == 'O' ? ODDPARITY
                 : s.parity == 'M' ? MARKPARITY
                 : s.parity == 'S' ? SPACEPARITY
                                   : NOPARITY;
    dcb.StopBits = s.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    if (!SetCommState(handle, &dcb)) {
        return {portLabel(m_port) + ": cannot set " + m_settings + ": " +
                windowsMessage(GetLastError()) + "."};
    }
    return {};
}

SerialResult WinSerial::setPortOpen(bool open) {
    if (!open) {
        close();
        return {};
    }
    if (m_line)
        return {};
    const std::string port = portLabel(m_port);
    const std::string device = deviceName(m_port);
    const PortAddressResult address = parsePortAddress(device);
    if (!address.address)
        return {openFailureText(port, device, address.error)};
    for (const char c : device) {
        if (static_cast<unsigned char>(c) < 0x20)
            return {openFailureText(port, device, "the name holds a control character")};
    }

    auto line = std::make_shared<Line>();
    line->text = port;
    line->handle = CreateFileW(pathFor(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (line->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {openFailureText(port, device, windowsMessage(error), faultOf(device, error))};
    }
    DCB probe{};
    probe.DCBlength = sizeof probe;
    if (!GetCommState(line->handle, &probe)) {
        return {openFailureText(
            port, device, "it is not a serial port (" + windowsMessage(GetLastError()) + ")")};
    }
    if (SerialResult r = apply(line->handle); !r.ok())
        return r;
    // Each read returns at once with what has arrived; the reader waits for bytes with
    // WaitCommEvent instead.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(line->handle, &timeouts);
    SetCommMask(line->handle, EV_RXCHAR);
    DWORD errors = 0;
    ClearCommError(line->handle, &errors, nullptr);

    line->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    line->readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    line->commEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    line->owner = this;
    auto* ref = new std::shared_ptr<Line>(line);
    line->thread = CreateThread(nullptr, 0, &Line::run, ref, 0, nullptr);
    if (!line->thread) {
        const DWORD error = GetLastError();
        delete ref;
        return {openFailureText(port, device, windowsMessage(error))};
    }
    m_line = std::move(line);
    m_event = 0;
    return {};
}

void WinSerial::close() {
    if (!m_line)
        return;
    const std::shared_ptr<Line> line = std::move(m_line);
    line->owner = nullptr;  // reports still on their way find no one
    line->stopping = true;
    SetEvent(line->stop);
    CancelIoEx(line->handle, nullptr);
    // A reader that does not end in time keeps its own reference; the handles close with it.
    WaitForSingleObject(line->thread, kJoinLimitMs);
}

void WinSerial::lose(Line& line, DWORD error) {
    if (m_line.get() != &line)
        return;
    const std::string text = line.text + " was lost: " + windowsMessage(error) + ".";
    close();
    m_event = 0;
    raiseLost(text);
}

void WinSerial::report(Line& line) {
    line.reportPosted = false;  // bytes read from now on need a new report
    {
        const std::lock_guard lock(line.mutex);
        if (line.received.empty())
            return;  // input() already took them
    }
    m_event = kComEvReceive;
    raiseComm();
}

SerialResult WinSerial::output(std::string_view bytes) {
    if (!m_line)
        return {portLabel(m_port) + " is not open."};
    const std::shared_ptr<Line> line = m_line;
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD n = 0;
    DWORD error = 0;
    if (!WriteFile(line->handle, bytes.data(), static_cast<DWORD>(bytes.size()), &n, &ov)) {
        error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            error = 0;
            if (WaitForSingleObject(ov.hEvent, kWriteLimitMs) != WAIT_OBJECT_0) {
                CancelIoEx(line->handle, &ov);
                error = WAIT_TIMEOUT;
            }
            if (!GetOverlappedResult(line->handle, &ov, &n, TRUE) && error == 0)
                error = GetLastError();
        }
    }
    CloseHandle(ov.hEvent);
    if (error == 0 && n == bytes.size())
        return {};
    const std::string why = error == WAIT_TIMEOUT ? "the write did not finish within 2 seconds"
                            : error != 0          ? windowsMessage(error)
                                                  : "only part of it was written";
    // The port is closed and its loss reported from the event loop, as a read error would be:
    // this write may run inside a handler.
    std::weak_ptr<Line> weak = line;
    postToUi([weak, this, why] {
        if (const auto l = weak.lock(); l && l->owner == this) {
            const std::string text = l->text + " was lost: " + why + ".";
            close();
            m_event = 0;
            raiseLost(text);
        }
    });
    return {line->text + ": write failed: " + why + "."};
}

std::string WinSerial::input() {
    if (!m_line)
        return {};
    const std::lock_guard lock(m_line->mutex);
    return std::exchange(m_line->received, {});
}

}  // namespace r7k::win
