// Docking of the side windows to the main window, the View menu items that show them, and
// the move hook through which the main window learns of its moves.
//
// The bookmark window hangs on the main window's right edge with the tops aligned; the file
// search window stands on its top edge with the left edges aligned. Both are placed after
// every move and every size change, shown or hidden, and keep their own size. Placement
// works on outer rectangles in pixels, so the edges touch exactly at any DPI.
#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "mainwindow/main_window_win.h"

namespace zr {

namespace {

constexpr UINT kPlaceFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

// Replaces the main window's procedure while the hook is in place. It sees every message
// first, acts on moves and passes each message on unchanged.
LRESULT CALLBACK MoveHookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // The base class keeps the object in the user data until the window is gone.
    auto* main =
        static_cast<MainWindow*>(reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    WNDPROC previous = main ? main->PreviousWndProc() : nullptr;
    // Without the object the previous procedure is still the class's own.
    if (!previous) previous = &Window::Proc;
    if (msg == WM_MOVE && main) {
        try {
            main->ResizeBMForm();
            main->ResizeFSForm();
        } catch (...) {
            // A failed placement leaves the side window where it was; the move goes on.
        }
    }
    return CallWindowProcW(previous, hwnd, msg, wp, lp);
}

}  // namespace

BookmarkWindow& MainWindow::Bookmarks() {
    SideWindowOwner& owner = *this;
    if (!bookmarks_) bookmarks_ = std::make_unique<BookmarkWindow>(owner);
    if (!bookmarks_->exists()) bookmarks_->Create();
    return *bookmarks_;
}

FileSearchWindow& MainWindow::FileSearch() {
    SideWindowOwner& owner = *this;
    if (!fileSearch_) fileSearch_ = std::make_unique<FileSearchWindow>(owner);
    if (!fileSearch_->exists()) fileSearch_->Create();
    return *fileSearch_;
}

void MainWindow::ResizeBMForm() {
    // Closing must not bring back the side windows it has just closed.
    if (!hwnd() || closing_) return;
    HWND side = Bookmarks().hwnd();
    if (!side) return;
    RECT main;
    GetWindowRect(hwnd(), &main);
    SetWindowPos(side, nullptr, main.right, main.top, 0, 0, kPlaceFlags);
}

void MainWindow::ResizeFSForm() {
    if (!hwnd() || closing_) return;
    HWND side = FileSearch().hwnd();
    if (!side) return;
    RECT main, own;
    GetWindowRect(hwnd(), &main);
    GetWindowRect(side, &own);
    SetWindowPos(side, nullptr, main.left, main.top - (own.bottom - own.top), 0, 0, kPlaceFlags);
}

void MainWindow::HookWindow() {
    // A second hook would record itself as the previous procedure and call itself forever.
    if (lngPrevWndProc_) return;
    lngPrevWndProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MoveHookProc)));
}

void MainWindow::UnhookWindow() {
    if (!lngPrevWndProc_) return;
    SetWindowLongPtrW(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(lngPrevWndProc_));
    lngPrevWndProc_ = nullptr;
}

void MainWindow::OnBookMarkMenu() {
    BookmarkWindow& bookmarks = Bookmarks();
    if (bookmarks.visible()) {
        ShowWindow(bookmarks.hwnd(), SW_HIDE);
        ShowSwitchState(IDM_BOOKMARK, false);
        return;
    }
    ResizeBMForm();
    ShowWindow(bookmarks.hwnd(), SW_SHOW);
    if (intTopMost_ == 1) {
        SetTopMost(hwnd(), 0);
        SetTopMost(bookmarks.hwnd(), 0);
        if (fileSearch_ && fileSearch_->visible()) SetTopMost(fileSearch_->hwnd(), 0);
    }
    ShowSwitchState(IDM_BOOKMARK, true);
}

void MainWindow::OnFileSearchMenu() {
    FileSearchWindow& fileSearch = FileSearch();
    if (fileSearch.visible()) {
        ShowWindow(fileSearch.hwnd(), SW_HIDE);
        ShowSwitchState(IDM_FILESEARCH, false);
        return;
    }
    ResizeFSForm();
    ShowWindow(fileSearch.hwnd(), SW_SHOW);
    if (intTopMost_ == 1) {
        SetTopMost(hwnd(), 0);
        if (bookmarks_ && bookmarks_->visible()) SetTopMost(bookmarks_->hwnd(), 0);
        SetTopMost(fileSearch.hwnd(), 0);
    }
    ShowSwitchState(IDM_FILESEARCH, true);
}

void MainWindow::FileChosen(SideWindowKind from, const std::wstring& path, bool toBookmarks) {
    // A file from the search goes to the bookmarks only while they are shown; anything
    // else chosen is opened.
    if (from == SideWindowKind::FileSearch && toBookmarks && bookmarks_ && bookmarks_->visible()) {
        bookmarks_->AddList(path);
        return;
    }
    OpenFile(path);
}

void MainWindow::SideWindowClosed(SideWindowKind which) {
    // The View item offers to show it again.
    ShowSwitchState(which == SideWindowKind::Bookmarks ? IDM_BOOKMARK : IDM_FILESEARCH, false);
}

void MainWindow::OnVersion() {
    if (!about_) about_ = std::make_unique<AboutWindow>();
    // An open box is only raised again: its text is built once per opening.
    if (!about_->exists() && !about_->Create()) return;
    // Into the topmost band and shown in one step: it is never seen below other windows.
    SetTopMost(about_->hwnd(), 0);
}

void MainWindow::CloseSideWindows() {
    // The bookmark window's own close step stores the list.
    if (bookmarks_ && bookmarks_->exists()) bookmarks_->Close();
    if (fileSearch_ && fileSearch_->exists()) fileSearch_->Close();
    // An About box left open would outlive the program's only window.
    if (about_ && about_->exists()) DestroyWindow(about_->hwnd());
}

void MainWindow::ShowStartupSideWindows() {
    // The captions follow, so the View items name what choosing them will do.
    if (settings_.LoadBookMark) {
        ResizeBMForm();
        ShowWindow(Bookmarks().hwnd(), SW_SHOWNOACTIVATE);
        if (settings_.LoadWindowProc) SetTopMost(Bookmarks().hwnd(), 0);
        ShowSwitchState(IDM_BOOKMARK, true);
    }
    if (settings_.LoadFileSearch) {
        ResizeFSForm();
        ShowWindow(FileSearch().hwnd(), SW_SHOWNOACTIVATE);
        if (settings_.LoadWindowProc) SetTopMost(FileSearch().hwnd(), 0);
        ShowSwitchState(IDM_FILESEARCH, true);
    }
}

}  // namespace zr
