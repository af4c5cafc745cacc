#include "follow_helpers.h"

#include <richedit.h>

#include "common/codepage_win.h"
#include "common/message_filter_win.h"

namespace zr::test {

std::wstring DisplayText(MainWindow& main) {
    HWND display = main.Control(IDC_RICHTEXT);
    const size_t n = DisplayLength(main);
    std::wstring text(n + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = static_cast<DWORD>((n + 1) * sizeof(wchar_t));
    gt.flags = GT_DEFAULT;
    gt.codepage = 1200;
    const LRESULT got = SendMessageW(display, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

size_t DisplayLength(MainWindow& main) {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT n = SendMessageW(main.Control(IDC_RICHTEXT), EM_GETTEXTLENGTHEX,
                                   reinterpret_cast<WPARAM>(&gtl), 0);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

std::wstring DisplayTail(MainWindow& main, size_t n) {
    const size_t length = DisplayLength(main);
    const size_t from = length > n ? length - n : 0;
    std::wstring text(length - from + 1, L'\0');
    TEXTRANGEW range{{static_cast<LONG>(from), static_cast<LONG>(length)}, text.data()};
    const LRESULT got = SendMessageW(main.Control(IDC_RICHTEXT), EM_GETTEXTRANGE, 0,
                                     reinterpret_cast<LPARAM>(&range));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::wstring ExpectedDisplay(const std::string& bytes) {
    std::wstring out;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        out += FromAnsi(std::string_view(bytes).substr(start, i - start));
        out += L'\r';
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    out += FromAnsi(std::string_view(bytes).substr(start));
    return out;
}

std::wstring Label1(MainWindow& main) {
    return Text(main.Control(IDC_LABEL1));
}

bool OpenableForReading(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

void PumpOne() {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT || PreTranslate(msg)) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool PumpOneUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        PumpOne();
    }
    return done();
}

std::unique_ptr<MainWindow> StartFollowing(UINT intervalMs) {
    WriteDword(L"Read Interval", intervalMs);
    return StartMain();
}

std::wstring LogWriterPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + L"log_writer.exe";
}

Writer::Writer(const std::vector<std::wstring>& args) {
    std::wstring cmd = L"\"" + LogWriterPath() + L"\"";
    for (const auto& a : args) cmd += L" \"" + a + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
    }
}

Writer::~Writer() {
    if (process_) {
        Wait();
        CloseHandle(process_);
    }
}

bool Writer::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

int Writer::Wait(int timeoutMs) {
    if (!process_) return -1;
    if (!PumpUntil([&] { return !Running(); }, timeoutMs)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
}

bool RunWriter(const std::vector<std::wstring>& args) {
    return Writer(args).Wait() == 0;
}

std::wstring Hex(const std::string& bytes) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string ManyLines(const char* prefix, size_t bytes) {
    std::string text;
    text.reserve(bytes + 64);
    for (size_t i = 0; text.size() < bytes; ++i) {
        text += prefix;
        text += " line " + std::to_string(i) + " of the log, padded to look like a record\r\n";
    }
    return text;
}

}  // namespace zr::test
