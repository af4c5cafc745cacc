#include "bookmarks/bookmark_window_win.h"

#include "mainwindow/main_window_win.h"

namespace zr {

bool BookmarkWindow::Create() {
    return CreateWin({L"ZororuvBookmarks"}, WS_EX_TOOLWINDOW, WS_CAPTION | WS_SYSMENU,
                     L"ブックマーク", 0, 0, 200, 240, nullptr, nullptr) != nullptr;
}

void BookmarkWindow::AddList(const std::wstring&) {}

LRESULT BookmarkWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

}  // namespace zr
