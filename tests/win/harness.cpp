#include "harness.h"

#include <richedit.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstring>

#include "common/message_filter_win.h"
#include "settings/settings.h"

namespace zr::test {

namespace {
bool DispatchOne() {  // false when no message waits
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message != WM_QUIT && !PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}
}  // namespace

void Pump(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        while (DispatchOne()) {
        }
        if (milliseconds > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        Pump(10);
        if (done()) return true;
    }
    return done();
}

void PumpOne() {
    if (!DispatchOne()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
}

bool PumpOneUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        PumpOne();
    }
    return done();
}

void ClearConfig() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\DIVAZU");
}

void WriteDword(const wchar_t* name, DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kConfigKey, name, REG_DWORD, &value, sizeof value);
}

void WriteString(const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kConfigKey, name, REG_SZ, value.c_str(),
                    DWORD((value.size() + 1) * sizeof(wchar_t)));
}

std::optional<DWORD> ReadDword(const wchar_t* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadString(const wchar_t* name) {
    std::wstring value(4096, L'\0');
    DWORD size = DWORD(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_SZ, nullptr, value.data(),
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(size / sizeof(wchar_t) - 1);
    return value;
}

ReadOnlyConfig::ReadOnlyConfig(bool on) {
    DWORD size = DWORD(saved.size());
    PSECURITY_DESCRIPTOR readOnly = nullptr;  // everyone may read the key, no one may change it
    if (on &&
        !RegCreateKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, 0, 0, KEY_ALL_ACCESS, 0, &key, 0) &&
        !RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data(), &size) &&
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", 1, &readOnly, 0))
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly);
    LocalFree(readOnly);
}

ReadOnlyConfig::~ReadOnlyConfig() {
    if (!key) return;
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data());
    RegCloseKey(key);
}

void Click(HWND parent, int id) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(parent, id)));
}

void ChooseMenu(HWND window, int id) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

std::wstring Text(HWND window) {  // by message, which also reaches another process's controls
    std::wstring text(size_t(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(size_t(SendMessageW(window, WM_GETTEXT, text.size(), LPARAM(text.data()))));
    return text;
}

bool IsTopMost(HWND window) {
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

void MoveWindowTo(HWND window, int x, int y) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
}

void SystemDoubleClick(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    SendInput(4, clicks, sizeof(INPUT));
    Pump(200);
}

std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items(size_t(SendMessageW(list, LB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].resize(size_t(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1);
        items[i].resize(size_t(SendMessageW(list, LB_GETTEXT, i, LPARAM(items[i].data()))));
    }
    return items;
}

void DoubleClickItem(HWND list, int index) {
    SendMessageW(list, LB_SETTOPINDEX, WPARAM(index), 0);
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessageW(list, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
}

namespace {
struct Search {
    DWORD pid;
    const wchar_t *className, *caption;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM lp) {
    auto& s = *reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (pid == s.pid && wcscmp(name, s.className) == 0 && IsWindowVisible(hwnd) &&
        (!s.caption || Text(hwnd) == s.caption))
        s.found = hwnd;
    return !s.found;
}
}  // namespace

HWND FindShownWindow(DWORD pid, const wchar_t* className, const wchar_t* caption) {
    Search search{pid, className, caption};
    EnumWindows(Match, LPARAM(&search));
    return search.found;
}

DialogWatcher::DialogWatcher(std::wstring caption, std::function<void(HWND)> act,
                             const wchar_t* className)
    : thread_([=, this, caption = std::move(caption), act = std::move(act)](std::stop_token stop) {
          for (int waited = 0; !stop.stop_requested() && waited < 15000; waited += 50) {
              if (HWND dialog =
                      FindShownWindow(GetCurrentProcessId(), className, caption.c_str())) {
                  Sleep(300);  // let the dialog finish its own initialisation first
                  found_ = true;
                  return act(dialog);
              }
              Sleep(50);
          }
      }) {}

HWND OwnWindow(const wchar_t* className) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, className, nullptr));) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId()) return w;
    }
    return nullptr;
}

namespace {
HWND ShownSide(HWND main, const wchar_t* className, int item) {
    HWND side = OwnWindow(className);
    if (!side || !IsWindowVisible(side)) ChooseMenu(main, item);
    return OwnWindow(className);
}
}  // namespace

HWND ShownBookmarks(HWND main) {
    return ShownSide(main, L"ZororuvBookmarks", IDM_BOOKMARK);
}

HWND ShownFileSearch(HWND main) {
    return ShownSide(main, L"ZororuvFileSearch", IDM_FILESEARCH);
}

void DropFiles(HWND window, const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& p : paths) list += p + L'\0';
    list += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

namespace {
HWND tickWindow = nullptr;
bool ticked = false;
LRESULT CALLBACK SeeTick(int code, WPARAM wp, LPARAM lp) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && wp == PM_REMOVE && msg.hwnd == tickWindow && msg.message == WM_TIMER &&
        msg.wParam == kTimer1) {
        ticked = true;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

std::optional<int> NextTickMs(HWND main, int timeoutMs) {
    tickWindow = main;
    ticked = false;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &SeeTick, nullptr, GetCurrentThreadId());
    const auto start = std::chrono::steady_clock::now();
    const bool came = PumpOneUntil([] { return ticked; }, timeoutMs);
    UnhookWindowsHookEx(hook);
    if (!came) return std::nullopt;
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
                   .count());
}

std::wstring MenuCaption(HWND window, int id) {
    wchar_t caption[128] = {};
    GetMenuStringW(GetMenu(window), UINT(id), caption, 128, MF_BYCOMMAND);
    return caption;
}

std::unique_ptr<MainWindow> StartMain(int show) {
    auto main = std::make_unique<MainWindow>();
    if (!main->Create(show, false)) return nullptr;
    Pump();
    return main;
}

std::unique_ptr<MainWindow> StartFollowing(UINT intervalMs) {
    WriteDword(L"Read Interval", intervalMs);
    return StartMain();
}

size_t DisplayLength(MainWindow& main) {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT n = SendMessageW(main.Control(IDC_RICHTEXT), EM_GETTEXTLENGTHEX, WPARAM(&gtl), 0);
    return n > 0 ? size_t(n) : 0;
}

std::wstring DisplayTail(MainWindow& main, size_t n) {
    const size_t length = DisplayLength(main), from = length > n ? length - n : 0;
    std::wstring text(length - from + 1, L'\0');
    TEXTRANGEW range{{LONG(from), LONG(length)}, text.data()};
    text.resize(
        size_t(SendMessageW(main.Control(IDC_RICHTEXT), EM_GETTEXTRANGE, 0, LPARAM(&range))));
    return text;
}

}  // namespace zr::test
