#include "mainwindow/instance_win.h"

#include <shellapi.h>

#include <cwchar>
#include <memory>

#include "mainwindow/layout.h"

namespace zr {

namespace {

// The place a second instance is to take travels in its environment, out of the way of its
// command line, which names files only.
constexpr wchar_t kPlaceVariable[] = L"ZORORUV_PLACE";

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};

}  // namespace

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring FileFromCommandLine() {
    int argc = 0;
    std::unique_ptr<LPWSTR[], LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv || argc < 2 || argv[1][0] == L'\0') return {};
    const wchar_t* arg = argv[1];
    const DWORD n = GetFullPathNameW(arg, 0, nullptr, nullptr);
    if (n == 0) return arg;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(arg, n, full.data(), nullptr);
    if (got == 0 || got >= n) return arg;
    full.resize(got);
    return full;
}

bool StartSecondInstance(HWND window, const std::wstring& program) {
    RECT r;
    GetWindowRect(window, &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi);
    const PixelRect place =
        CascadeFrom({r.left, r.top, r.right, r.bottom}, GetSystemMetrics(SM_CYCAPTION),
                    {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom});
    wchar_t value[64];
    std::swprintf(value, 64, L"%d,%d", place.left, place.top);

    // The child takes this process's environment with the place added; ours is put back.
    SetEnvironmentVariableW(kPlaceVariable, value);
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const bool started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &si, &pi) != FALSE;
    SetEnvironmentVariableW(kPlaceVariable, nullptr);
    if (!started) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

void TakeStartPlace(HWND window) {
    wchar_t value[64] = {};
    if (GetEnvironmentVariableW(kPlaceVariable, value, 64) == 0) return;
    // Not passed on to instances this one starts.
    SetEnvironmentVariableW(kPlaceVariable, nullptr);
    int x = 0, y = 0;
    if (std::swscanf(value, L"%d,%d", &x, &y) != 2) return;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace zr
