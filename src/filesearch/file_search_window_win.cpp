#include "filesearch/file_search_window_win.h"

#include "mainwindow/main_window_win.h"

namespace zr {

bool FileSearchWindow::Create() {
    return CreateWin({L"ZororuvFileSearch"}, WS_EX_TOOLWINDOW, WS_CAPTION | WS_SYSMENU, L"", 0, 0,
                     420, 160, nullptr, nullptr) != nullptr;
}

LRESULT FileSearchWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

}  // namespace zr
