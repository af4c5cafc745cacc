#include "common/modal_win.h"

namespace zr {

POINT CentredOn(HWND owner, SIZE size) {
    RECT o;
    GetWindowRect(owner, &o);
    POINT p{o.left + ((o.right - o.left) - size.cx) / 2,
            o.top + ((o.bottom - o.top) - size.cy) / 2};
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& w = mi.rcWork;
        if (p.x + size.cx > w.right) p.x = w.right - size.cx;
        if (p.y + size.cy > w.bottom) p.y = w.bottom - size.cy;
        if (p.x < w.left) p.x = w.left;
        if (p.y < w.top) p.y = w.top;
    }
    return p;
}

void RunModalLoop(const Window& dialog) {
    MSG msg;
    while (dialog.exists()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got == -1) return;
        if (IsDialogMessageW(dialog.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace zr
