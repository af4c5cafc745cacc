#include "about/about_window_win.h"

namespace zr {

bool AboutWindow::Create() {
    return CreateWin({L"ZororuvAbout", CS_HREDRAW | CS_VREDRAW,
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), false},
                     WS_EX_TOOLWINDOW, WS_CAPTION | WS_SYSMENU, L"バージョン情報", CW_USEDEFAULT,
                     CW_USEDEFAULT, 330, 130, nullptr, nullptr) != nullptr;
}

LRESULT AboutWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

}  // namespace zr
