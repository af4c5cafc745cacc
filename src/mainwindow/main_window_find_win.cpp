// Searching and copying the display: the shortcuts, and the display's context menu.
#include <windowsx.h>

#include "mainwindow/main_window_win.h"

namespace zr {

bool MainWindow::PreTranslate(MSG& msg) {
    // Only for the main window and its controls, and not while a dialog holds it disabled.
    if (!accelerators_ || !hwnd() || !IsWindowEnabled(hwnd())) return false;
    if (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)) return false;
    // Escape stops a search that is still going through the file.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && search_ && search_->Busy()) {
        search_->Cancel();
        return true;
    }
    return TranslateAcceleratorW(hwnd(), accelerators_.get(), &msg) != 0;
}

void MainWindow::OnContextMenu(HWND from, LPARAM at) {
    if (from != view_.hwnd()) return;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        // From the keyboard: at the display's top left corner.
        point = {0, 0};
        ClientToScreen(from, &point);
    }
    UniqueMenu menu(CreateDisplayMenu());
    const int id = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0,
                                  hwnd(), nullptr);
    if (id != 0) OnCommand(id);
}

}  // namespace zr
