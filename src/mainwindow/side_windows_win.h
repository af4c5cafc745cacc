// The windows the main window owns beside it: the bookmark window hanging on its right edge,
// the file search window standing on its top edge, and the About box; and whether they and
// the main window are kept in front of all other windows.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/side_window_win.h"
#include "mainwindow/main_menu_win.h"

namespace zr {

class AboutWindow;
class BookmarkWindow;
class FileSearchWindow;

class SideWindows final : private SideWindowOwner {
  public:
    // `open` follows a file chosen in a side window.
    SideWindows(HWND main, MainMenu& menu, std::function<void(const std::wstring&)> open);
    ~SideWindows();
    SideWindows(const SideWindows&) = delete;
    SideWindows& operator=(const SideWindows&) = delete;

    // Docks both to the main window as it stands now; a side window that does not exist is
    // not made for it: it is placed when it is shown.
    void Place();
    // The View items: shows a hidden one docked, hides a shown one.
    void SwitchBookmarks();
    void SwitchFileSearch();
    // Shows those the settings ask for at start-up, in front with the main window when asked.
    void ShowAtStart(bool bookmarks, bool fileSearch, bool topMost);
    void AddBookmark(const std::wstring& path);
    void ShowAbout();
    // The program is ending: the bookmark window stores its list, all of them go.
    void CloseAll();

    // Always in front: the View item switches the main window and the visible side windows;
    // start-up may switch it on. While a dialog of the main window is open they are let go
    // and taken back (the state itself does not change).
    void SwitchTopMost();
    bool TopMost() const { return topMost_; }
    void LetGoAroundDialog(bool letGo);

  private:
    void FileChosen(SideWindowKind from, const std::wstring& path, bool toBookmarks) override;
    void SideWindowClosed(SideWindowKind which) override;
    BookmarkWindow& Bookmarks();     // made, hidden, when first needed
    FileSearchWindow& FileSearch();  // likewise
    bool Shown(HWND window) const { return window && IsWindowVisible(window); }
    void PlaceBookmarks();
    void PlaceFileSearch();
    void ShowDocked(HWND window, bool bookmarks);
    static void InFront(HWND window, bool inFront);

    HWND main_;
    MainMenu& menu_;
    std::function<void(const std::wstring&)> open_;
    bool topMost_ = false;
    bool closing_ = false;
    std::unique_ptr<BookmarkWindow> bookmarks_;
    std::unique_ptr<FileSearchWindow> fileSearch_;
    std::unique_ptr<AboutWindow> about_;
};

}  // namespace zr
