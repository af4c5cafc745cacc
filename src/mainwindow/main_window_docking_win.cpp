// Docking of the side windows to the main window, the View menu items that show them, and
// the move hook through which the main window learns of its moves.
#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "mainwindow/main_window_win.h"

namespace zr {

BookmarkWindow& MainWindow::Bookmarks() {
    if (!bookmarks_) bookmarks_ = std::make_unique<BookmarkWindow>(*this);
    if (!bookmarks_->exists()) bookmarks_->Create();
    return *bookmarks_;
}

FileSearchWindow& MainWindow::FileSearch() {
    if (!fileSearch_) fileSearch_ = std::make_unique<FileSearchWindow>(*this);
    if (!fileSearch_->exists()) fileSearch_->Create();
    return *fileSearch_;
}

void MainWindow::ResizeBMForm() {}
void MainWindow::ResizeFSForm() {}
void MainWindow::HookWindow() {}
void MainWindow::UnhookWindow() {}
void MainWindow::OnBookMarkMenu() {}
void MainWindow::OnFileSearchMenu() {}
void MainWindow::OnVersion() {}
void MainWindow::CloseSideWindows() {}
void MainWindow::ShowStartupSideWindows() {}

}  // namespace zr
