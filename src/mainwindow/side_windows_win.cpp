// Docking of the side windows to the main window and their place in front of other windows.
//
// The bookmark window hangs on the main window's right edge with the tops aligned; the file
// search window stands on its top edge with the left edges aligned. Both are placed after
// every move and every size change of the main window, shown or hidden, and keep their own
// size; a side window is made only when it is first shown. Placement works on outer
// rectangles in pixels, so the edges touch exactly at any DPI.
#include "mainwindow/side_windows_win.h"

#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"

namespace zr {

namespace {
constexpr UINT kPlaceFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
constexpr UINT kInFrontFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
}  // namespace

SideWindows::SideWindows(HWND main, MainMenu& menu, std::function<void(const std::wstring&)> open)
    : main_(main), menu_(menu), open_(std::move(open)) {}

SideWindows::~SideWindows() {
    // Side windows go before the main window, as they do when the program ends.
    closing_ = true;
    about_.reset();
    fileSearch_.reset();
    bookmarks_.reset();
}

BookmarkWindow& SideWindows::Bookmarks() {
    SideWindowOwner& owner = *this;
    if (!bookmarks_) bookmarks_ = std::make_unique<BookmarkWindow>(owner);
    if (!bookmarks_->exists()) bookmarks_->Create();
    return *bookmarks_;
}

FileSearchWindow& SideWindows::FileSearch() {
    SideWindowOwner& owner = *this;
    if (!fileSearch_) fileSearch_ = std::make_unique<FileSearchWindow>(owner);
    if (!fileSearch_->exists()) fileSearch_->Create();
    return *fileSearch_;
}

void SideWindows::Place() {
    PlaceBookmarks();
    PlaceFileSearch();
}

void SideWindows::PlaceBookmarks() {
    if (closing_ || !bookmarks_ || !bookmarks_->exists()) return;
    RECT main;
    GetWindowRect(main_, &main);
    SetWindowPos(bookmarks_->hwnd(), nullptr, main.right, main.top, 0, 0, kPlaceFlags);
}

void SideWindows::PlaceFileSearch() {
    if (closing_ || !fileSearch_ || !fileSearch_->exists()) return;
    RECT main, own;
    GetWindowRect(main_, &main);
    GetWindowRect(fileSearch_->hwnd(), &own);
    SetWindowPos(fileSearch_->hwnd(), nullptr, main.left, main.top - (own.bottom - own.top), 0, 0,
                 kPlaceFlags);
}

void SideWindows::InFront(HWND window, bool inFront) {
    SetWindowPos(window, inFront ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kInFrontFlags);
}

void SideWindows::ShowDocked(HWND window, bool bookmarks) {
    bookmarks ? PlaceBookmarks() : PlaceFileSearch();
    ShowWindow(window, SW_SHOW);
    // In front in the order main window, bookmark window, file search window.
    if (topMost_) {
        InFront(main_, true);
        if (Shown(bookmarks_ ? bookmarks_->hwnd() : nullptr)) InFront(bookmarks_->hwnd(), true);
        if (Shown(fileSearch_ ? fileSearch_->hwnd() : nullptr)) {
            InFront(fileSearch_->hwnd(), true);
        }
    }
    menu_.ShowSwitch(bookmarks ? IDM_BOOKMARK : IDM_FILESEARCH, true);
}

void SideWindows::SwitchBookmarks() {
    HWND window = Bookmarks().hwnd();
    if (Shown(window)) {
        ShowWindow(window, SW_HIDE);
        menu_.ShowSwitch(IDM_BOOKMARK, false);
        return;
    }
    ShowDocked(window, true);
}

void SideWindows::SwitchFileSearch() {
    HWND window = FileSearch().hwnd();
    if (Shown(window)) {
        ShowWindow(window, SW_HIDE);
        menu_.ShowSwitch(IDM_FILESEARCH, false);
        return;
    }
    ShowDocked(window, false);
}

void SideWindows::ShowAtStart(bool bookmarks, bool fileSearch, bool topMost) {
    if (topMost) SwitchTopMost();
    // The captions follow, so the View items name what choosing them will do.
    for (const bool which : {true, false}) {
        if (!(which ? bookmarks : fileSearch)) continue;
        HWND window = which ? Bookmarks().hwnd() : FileSearch().hwnd();
        which ? PlaceBookmarks() : PlaceFileSearch();
        ShowWindow(window, SW_SHOWNOACTIVATE);
        if (topMost) InFront(window, true);
        menu_.ShowSwitch(which ? IDM_BOOKMARK : IDM_FILESEARCH, true);
    }
}

void SideWindows::SwitchTopMost() {
    // Visible side windows go the way the main window is about to go.
    topMost_ = !topMost_;
    if (bookmarks_ && bookmarks_->visible()) InFront(bookmarks_->hwnd(), topMost_);
    if (fileSearch_ && fileSearch_->visible()) InFront(fileSearch_->hwnd(), topMost_);
    InFront(main_, topMost_);
    menu_.ShowSwitch(IDM_WINPOS, topMost_);
}

void SideWindows::LetGoAroundDialog(bool letGo) {
    // Only while always-on-top is on, and only the windows that are visible.
    if (!topMost_) return;
    InFront(main_, !letGo);
    if (bookmarks_ && bookmarks_->visible()) InFront(bookmarks_->hwnd(), !letGo);
    if (fileSearch_ && fileSearch_->visible()) InFront(fileSearch_->hwnd(), !letGo);
}

void SideWindows::AddBookmark(const std::wstring& path) {
    Bookmarks().AddList(path);
}

void SideWindows::ShowAbout() {
    if (!about_) about_ = std::make_unique<AboutWindow>();
    // An open box is only raised again: its text is built once per opening.
    if (!about_->exists() && !about_->Create()) return;
    // Into the topmost band and shown in one step: it is never seen below other windows.
    InFront(about_->hwnd(), true);
}

void SideWindows::CloseAll() {
    closing_ = true;
    // The bookmark window's own close step stores the list.
    if (bookmarks_ && bookmarks_->exists()) bookmarks_->Close();
    if (fileSearch_ && fileSearch_->exists()) fileSearch_->Close();
    // An About box left open would outlive the program's only window.
    if (about_ && about_->exists()) DestroyWindow(about_->hwnd());
}

void SideWindows::FileChosen(SideWindowKind from, const std::wstring& path, bool toBookmarks) {
    // A file from the search goes to the bookmarks only while they are shown; anything
    // else chosen is opened.
    if (from == SideWindowKind::FileSearch && toBookmarks && bookmarks_ && bookmarks_->visible()) {
        bookmarks_->AddList(path);
        return;
    }
    open_(path);
}

void SideWindows::SideWindowClosed(SideWindowKind which) {
    // The View item offers to show it again.
    menu_.ShowSwitch(which == SideWindowKind::Bookmarks ? IDM_BOOKMARK : IDM_FILESEARCH, false);
}

}  // namespace zr
