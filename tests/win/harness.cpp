#include "harness.h"

#include "common/message_filter_win.h"

#include <filesystem>
#include <fstream>

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

TempDir::TempDir() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    dir_ = std::wstring(base) + L"zrtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
    if (!dir_.empty() && dir_.back() == L'\\') dir_.pop_back();
    CreateDirectoryW(dir_.c_str(), nullptr);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(dir_), ec);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes, bool append) {
    std::ofstream out(std::filesystem::path(path),
                      std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << bytes;
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

}  // namespace zr::test
