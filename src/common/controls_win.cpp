#include "common/controls_win.h"

#include <string>

#include "common/twips.h"

namespace zr {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Offset of a control's container, summed up through nested frames.
POINT ContainerOrigin(std::span<const ControlSpec> specs, int parentId) {
    POINT origin{0, 0};
    while (parentId != 0) {
        const ControlSpec* parent = nullptr;
        for (const auto& s : specs) {
            if (s.id == parentId) parent = &s;
        }
        if (!parent) break;
        origin.x += parent->left;
        origin.y += parent->top;
        parentId = parent->parentId;
    }
    return origin;
}

RECT PixelRect(std::span<const ControlSpec> specs, const ControlSpec& s, int dpi) {
    const POINT o = ContainerOrigin(specs, s.parentId);
    const int left = TwipsToPixels(o.x + s.left, dpi);
    const int top = TwipsToPixels(o.y + s.top, dpi);
    return RECT{left, top, left + TwipsToPixels(s.width, dpi), top + TwipsToPixels(s.height, dpi)};
}

}  // namespace

int WindowDpi(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 1607; older systems have one DPI for all.
    static const auto fn = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && hwnd) {
        const UINT dpi = fn(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    const WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

HWND CreateControls(HWND parent, std::span<const ControlSpec> specs, int dpi, HFONT font) {
    HWND first = nullptr;
    for (const auto& s : specs) {
        const RECT r = PixelRect(specs, s, dpi);
        const DWORD style = WS_CHILD | (s.hidden ? 0 : WS_VISIBLE) | s.style;
        HWND h = CreateWindowExW(s.exStyle, s.className, s.text, style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)),
                                 GetModuleHandleW(nullptr), nullptr);
        if (h && font) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (!first) first = h;
    }
    return first;
}

void LayoutControls(HWND parent, std::span<const ControlSpec> specs, int dpi) {
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(specs.size()));
    for (const auto& s : specs) {
        HWND h = GetDlgItem(parent, s.id);
        if (!h || !dwp) continue;
        const RECT r = PixelRect(specs, s, dpi);
        dwp = DeferWindowPos(dwp, h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (dwp) EndDeferWindowPos(dwp);
}

SIZE WindowSizeForClient(int clientTwipsW, int clientTwipsH, DWORD style, DWORD exStyle, bool menu,
                         int dpi) {
    RECT r{0, 0, TwipsToPixels(clientTwipsW, dpi), TwipsToPixels(clientTwipsH, dpi)};
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = reinterpret_cast<AdjustFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjust) {
        adjust(&r, style, menu, exStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&r, style, menu, exStyle);
    }
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void RescaleFixedWindow(HWND window, std::span<const ControlSpec> specs, int dpi, UniqueFont& font,
                        int clientTwipsW, int clientTwipsH, const RECT& suggested) {
    UniqueFont next = MakeUiFont(dpi);
    for (const auto& control : specs) {
        SendMessageW(GetDlgItem(window, control.id), WM_SETFONT,
                     reinterpret_cast<WPARAM>(next.get()), TRUE);
    }
    font = std::move(next);
    LayoutControls(window, specs, dpi);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    const SIZE size = WindowSizeForClient(clientTwipsW, clientTwipsH, style, exStyle,
                                          GetMenu(window) != nullptr, dpi);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetControlText(HWND parent, int id, const wchar_t* text) {
    SetDlgItemTextW(parent, id, text);
}

std::wstring ControlText(HWND control) {
    const int n = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(control, text.data(), n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::wstring ControlText(HWND parent, int id) {
    return ControlText(GetDlgItem(parent, id));
}

void EnableControl(HWND parent, int id, bool enable) {
    EnableWindow(GetDlgItem(parent, id), enable ? TRUE : FALSE);
}

bool IsChecked(HWND parent, int id) {
    return IsDlgButtonChecked(parent, id) != BST_UNCHECKED;
}

void SetChecked(HWND parent, int id, bool checked) {
    CheckDlgButton(parent, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace zr
