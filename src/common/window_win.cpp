#include "common/window_win.h"

#include <exception>
#include <iterator>
#include <utility>

#include "common/codepage_win.h"
#include "common/controls_win.h"
#include "resources/resource_ids.h"

namespace zr {

namespace {

// The system's words for a failed creation that no exception explains.
std::wstring SystemErrorText(DWORD error) {
    if (error == ERROR_SUCCESS) return L"ウィンドウを作成できませんでした。";
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text, static_cast<DWORD>(std::size(text)), nullptr);
    std::wstring out(text, length);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r')) out.pop_back();
    return out.empty() ? L"エラー " + std::to_wstring(error) : out;
}

// The signed coordinates a WM_MOVE or WM_CONTEXTMENU carries.
POINT PointOf(LPARAM lp) {
    return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

}  // namespace

HINSTANCE AppInstance() {
    return GetModuleHandleW(nullptr);
}

HICON AppIcon(int size) {
    return static_cast<HICON>(
        LoadImageW(AppInstance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, LR_SHARED));
}

Window::~Window() {
    if (hwnd_) {
        // The object goes first: detach so no message reaches a dead object.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

HWND Window::CreateWin(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title,
                       int x, int y, int width, int height, HWND parent, HMENU menu) {
    creationError_.clear();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(AppInstance(), cls.name, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = cls.style;
        wc.lpfnWndProc = &Window::Proc;
        wc.hInstance = AppInstance();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = cls.background;
        wc.lpszClassName = cls.name;
        if (cls.programIcon) {
            wc.hIcon = AppIcon(GetSystemMetrics(SM_CXICON));
            wc.hIconSm = AppIcon(GetSystemMetrics(SM_CXSMICON));
        }
        RegisterClassExW(&wc);
    }
    HWND made = CreateWindowExW(exStyle, cls.name, title, style, x, y, width, height, parent, menu,
                                AppInstance(), this);
    if (!made) {
        const DWORD error = GetLastError();
        hwnd_ = nullptr;  // a window refused in WM_CREATE is already gone
        if (creationError_.empty()) creationError_ = SystemErrorText(error);
    }
    return made;
}

HWND Window::CreateDesigned(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title,
                            int clientTwipsW, int clientTwipsH, int x, int y, bool menu) {
    const SIZE size =
        WindowSizeForClient(clientTwipsW, clientTwipsH, style, exStyle, menu, WindowDpi(nullptr));
    return CreateWin(cls, exStyle, style, title, x, y, size.cx, size.cy, nullptr, nullptr);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // A handler may send messages to its own window: each keeps its own record.
    Dispatch current{msg, wp, lp, std::nullopt};
    struct Restore {
        Window& window;
        Dispatch* outer;
        ~Restore() { window.dispatch_ = outer; }
    } restore{*this, std::exchange(dispatch_, &current)};
    const std::optional<LRESULT> own = Crack(msg, wp, lp);
    return own ? *own : current.passedOn.value_or(0);
}

std::optional<LRESULT> Window::Crack(UINT msg, WPARAM wp, LPARAM lp) {
    const auto handle = [](LPARAM h) { return reinterpret_cast<HWND>(h); };
    switch (msg) {
        case WM_CREATE:
            OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lp));
            break;
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp), handle(lp));
            break;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
            break;
        case WM_MOVE:
            OnMove(PointOf(lp).x, PointOf(lp).y);
            break;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            break;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wp), HIWORD(wp) != 0, handle(lp));
            break;
        case WM_SETFOCUS:
            OnSetFocus(reinterpret_cast<HWND>(wp));
            break;
        case WM_CLOSE:
            OnClose();
            break;
        case WM_TIMER:
            OnTimer(static_cast<UINT_PTR>(wp));
            break;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wp));
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(
                OnCtlColor(msg, reinterpret_cast<HDC>(wp), handle(lp)));
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wp), PointOf(lp));
            break;
        case WM_QUERYENDSESSION:
            return OnQueryEndSession() ? TRUE : FALSE;
        case WM_ENDSESSION:
            OnEndSession(wp != FALSE);
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        default:
            return OnMessage(msg, wp, lp);
    }
    return std::nullopt;
}

LRESULT Window::PassOn(UINT msg) {
    // Only the message being handled, and only once: a base handler called from elsewhere
    // has nothing to pass on.
    if (!dispatch_ || dispatch_->msg != msg) return 0;
    if (!dispatch_->passedOn) {
        dispatch_->passedOn = DefWindowProcW(hwnd_, msg, dispatch_->wp, dispatch_->lp);
    }
    return *dispatch_->passedOn;
}

void Window::OnCreate(const CREATESTRUCTW&) {
    PassOn(WM_CREATE);
}
void Window::OnCommand(int, int, HWND) {
    PassOn(WM_COMMAND);
}
void Window::OnSize(UINT, int, int) {
    PassOn(WM_SIZE);
}
void Window::OnMove(int, int) {
    PassOn(WM_MOVE);
}
void Window::OnDpiChanged(int, const RECT&) {
    PassOn(WM_DPICHANGED);
}
void Window::OnActivate(UINT, bool, HWND) {
    PassOn(WM_ACTIVATE);
}
void Window::OnSetFocus(HWND) {
    PassOn(WM_SETFOCUS);
}
void Window::OnClose() {
    PassOn(WM_CLOSE);
}
void Window::OnTimer(UINT_PTR) {
    PassOn(WM_TIMER);
}
void Window::OnDropFiles(HDROP) {
    PassOn(WM_DROPFILES);
}
HBRUSH Window::OnCtlColor(UINT msg, HDC, HWND) {
    return reinterpret_cast<HBRUSH>(PassOn(msg));
}
void Window::OnContextMenu(HWND, POINT) {
    PassOn(WM_CONTEXTMENU);
}
bool Window::OnQueryEndSession() {
    return PassOn(WM_QUERYENDSESSION) != FALSE;
}
void Window::OnEndSession(bool) {
    PassOn(WM_ENDSESSION);
}
void Window::OnDestroy() {
    PassOn(WM_DESTROY);
}
LRESULT Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

void Window::KeepCreationError(Window& self) noexcept {
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            self.creationError_ = FromAnsi(e.what());
        } catch (...) {
            self.creationError_ = L"不明な例外";
        }
    } catch (...) {
        // No memory even for the text: the creator still sees no window.
    }
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        if (msg == WM_CREATE || msg == WM_NCCREATE) {
            // Refused creation: CreateWindowEx destroys the window and returns null.
            KeepCreationError(*self);
            result = msg == WM_CREATE ? -1 : FALSE;
        } else {
            // Nothing may unwind into the system; the message is treated as unhandled.
            result = DefWindowProcW(hwnd, msg, wp, lp);
        }
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        try {
            self->OnDestroyed();
        } catch (...) {
        }
    }
    return result;
}

OtherWindowsDisabled::OtherWindowsDisabled(HWND modal) : modal_(modal) {
    EnumThreadWindows(GetCurrentThreadId(), &OtherWindowsDisabled::DisableOne,
                      reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK OtherWindowsDisabled::DisableOne(HWND window, LPARAM self) noexcept {
    auto* me = reinterpret_cast<OtherWindowsDisabled*>(self);
    // A hidden window takes no input; the system's own hidden windows are best left alone.
    if (window == me->modal_ || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    try {
        // Recorded first: a window this object could not record would never be enabled again.
        me->disabled_.push_back(window);
    } catch (...) {
        return TRUE;
    }
    EnableWindow(window, FALSE);
    return TRUE;
}

void OtherWindowsDisabled::Restore() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    disabled_.clear();
}

}  // namespace zr
