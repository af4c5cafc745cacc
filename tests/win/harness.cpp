#include "harness.h"

#include <richedit.h>

#include "common/message_filter_win.h"

#include "common/codepage_win.h"
#include "common/twips.h"
#include "settings/settings.h"

namespace zr::test {

void Pump(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT || PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
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

void ClearConfig() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\DIVAZU");
}

namespace {
HKEY OpenConfig(bool create) {
    HKEY key = nullptr;
    if (create) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
    } else if (RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        key = nullptr;
    }
    return key;
}
}  // namespace

void WriteDword(const wchar_t* name, DWORD value) {
    HKEY key = OpenConfig(true);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

void WriteString(const wchar_t* name, const std::wstring& value) {
    HKEY key = OpenConfig(true);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::optional<DWORD> ReadDword(const wchar_t* name) {
    HKEY key = OpenConfig(false);
    if (!key) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof(value);
    const bool ok = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                     &size) == ERROR_SUCCESS &&
                    type == REG_DWORD;
    RegCloseKey(key);
    return ok ? std::optional<DWORD>(value) : std::nullopt;
}

std::optional<std::wstring> ReadString(const wchar_t* name) {
    HKEY key = OpenConfig(false);
    if (!key) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        RegCloseKey(key);
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    RegCloseKey(key);
    value.resize(wcslen(value.c_str()));
    return value;
}

bool ValueExists(const wchar_t* name) {
    HKEY key = OpenConfig(false);
    if (!key) return false;
    const bool exists =
        RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

void Click(HWND parent, int id) {
    HWND button = GetDlgItem(parent, id);
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void ChooseMenu(HWND window, int id) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

std::wstring Text(HWND window) {
    const int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), n + 1)));
    return text;
}

std::wstring MenuCaption(HMENU menu, int id) {
    wchar_t buf[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(id), buf, 256, MF_BYCOMMAND);
    return buf;
}

bool MenuGrayed(HMENU menu, int id) {
    return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) !=
           0;
}

bool IsTopMost(HWND window) {
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

int ScriptedUi::Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                        UINT flags) {
    messages.push_back({text, caption, flags, owner});
    return messageAnswer;
}

std::wstring ScriptedUi::OpenFileDialog(HWND owner, const std::wstring& pattern) {
    openPatterns.push_back(pattern);
    openOwners.push_back(owner);
    if (openAnswers.empty()) return L"";
    std::wstring answer = openAnswers.front();
    openAnswers.erase(openAnswers.begin());
    return answer;
}

bool ScriptedUi::FontDialog(HWND, FontChoice& font) {
    if (!fontAnswer) return false;
    font = *fontAnswer;
    return true;
}

std::optional<COLORREF> ScriptedUi::ColorDialog(HWND, COLORREF initial) {
    colorInitials.push_back(initial);
    return colorAnswer;
}

void ScriptedUi::PlayWave(const std::wstring& path) {
    sounds.push_back(path);
}

std::unique_ptr<MainWindow> StartMain(int show) {
    auto main = std::make_unique<MainWindow>();
    if (!main->Create(show, false)) return nullptr;
    Pump();
    return main;
}

namespace {
struct FindContext {
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp) {
    auto* ctx = reinterpret_cast<FindContext*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, L"#32770") != 0) return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (*ctx->caption == title) {
        ctx->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DialogWatcher::DialogWatcher(std::wstring caption, std::function<void(HWND)> act, int timeoutMs)
    : thread_([this, caption = std::move(caption), act = std::move(act), timeoutMs] {
          const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
          while (!stop_ && std::chrono::steady_clock::now() < end) {
              FindContext ctx{&caption, nullptr};
              EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&ctx));
              if (ctx.found) {
                  // Let the dialog finish its own initialisation first.
                  Sleep(300);
                  found_ = true;
                  act(ctx.found);
                  return;
              }
              Sleep(50);
          }
      }) {}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void AnswerOpenDialog(HWND dlg, const std::wstring& path) {
    HWND name = GetDlgItem(dlg, 0x47C);  // the file name combo box
    if (name) {
        if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
    } else {
        name = GetDlgItem(dlg, 0x480);  // the file name edit box
    }
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
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

bool PressEnter(HWND window, HWND control) {
    SetFocus(control);
    MSG msg{control, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    return IsDialogMessageW(window, &msg) != FALSE;
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

std::wstring MessageBoxText(HWND box) {
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);  // the message box's text control
    return text;
}

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

std::wstring BesideTests(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + name;
}

bool RunWriter(const std::vector<std::wstring>& args) {
    return Writer(args).Wait() == 0;
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

namespace {

std::wstring ItemText(HWND control, UINT getLength, UINT getText, int index) {
    const LRESULT length = SendMessageW(control, getLength, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, getText, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

struct Search {
    DWORD pid;
    const wchar_t* className;
    bool shownOnly;
    HWND first;
    int count;
};

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (pid == search->pid && wcscmp(name, search->className) == 0 &&
        (!search->shownOnly || IsWindowVisible(hwnd))) {
        if (!search->first) search->first = hwnd;
        ++search->count;
    }
    return TRUE;
}

Search Find(DWORD pid, const wchar_t* className, bool shownOnly) {
    Search search{pid, className, shownOnly, nullptr, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&search));
    return search;
}

}  // namespace

std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) items.push_back(ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, i));
    return items;
}

std::wstring ComboSelection(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) return {};
    return ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<int>(index));
}

int IndexOf(HWND list, const std::wstring& text) {
    const std::vector<std::wstring> items = ListItems(list);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) return static_cast<int>(i);
    }
    return -1;
}

void DoubleClickItem(HWND list, int index) {
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
}

void MouseClick(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
}

bool HasVisibleStyle(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

TwipsBox OuterTwips(HWND window, int dpi) {
    RECT r{};
    GetWindowRect(window, &r);
    return TwipsBox{PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi),
                    PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi)};
}

int CountOwnWindows(const wchar_t* className) {
    return Find(GetCurrentProcessId(), className, false).count;
}

HWND FindShownWindow(DWORD pid, const wchar_t* className) {
    return Find(pid, className, true).first;
}

CurrentFolder::CurrentFolder(const std::wstring& folder) {
    wchar_t buf[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, buf);
    previous_ = buf;
    SetCurrentDirectoryW(folder.c_str());
}

CurrentFolder::~CurrentFolder() {
    SetCurrentDirectoryW(previous_.c_str());
}

}  // namespace zr::test
