#include "common/window_win.h"

#include "common/controls_win.h"
#include "resources/resource_ids.h"

namespace zr {

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
    return CreateWindowExW(exStyle, cls.name, title, style, x, y, width, height, parent, menu,
                           AppInstance(), this);
}

HWND Window::CreateDesigned(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title,
                            int clientTwipsW, int clientTwipsH, int x, int y, bool menu) {
    const SIZE size =
        WindowSizeForClient(clientTwipsW, clientTwipsH, style, exStyle, menu, WindowDpi(nullptr));
    return CreateWin(cls, exStyle, style, title, x, y, size.cx, size.cy, nullptr, nullptr);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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
        // Nothing may unwind into the system; the message is treated as unhandled.
        result = DefWindowProcW(hwnd, msg, wp, lp);
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

BOOL CALLBACK OtherWindowsDisabled::DisableOne(HWND window, LPARAM self) {
    auto* me = reinterpret_cast<OtherWindowsDisabled*>(self);
    // A hidden window takes no input; the system's own hidden windows are best left alone.
    if (window != me->modal_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        me->disabled_.push_back(window);
    }
    return TRUE;
}

void OtherWindowsDisabled::Restore() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    disabled_.clear();
}

}  // namespace zr
