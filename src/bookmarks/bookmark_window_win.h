// The bookmark window: a list of files and name patterns the user follows often, kept in the
// registry. It hangs on the main window's right edge; its owner places, shows and hides it and
// is told which entry the user chose, as it stands: the owner decides what a pattern means.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "common/handles_win.h"
#include "common/side_window_win.h"
#include "common/window_win.h"

namespace zr {

enum BookmarkControlId : int {
    IDC_BM_LABEL1 = 300,
    IDC_CMDADDLIST,
    IDC_CMDDELLIST,
    IDC_LSTFILENMLIST,  // file names only, shown while ckListView is ticked
    IDC_LSTFILELIST,    // full paths
    IDC_CKLISTVIEW,
};

inline constexpr wchar_t kBookmarkCaption[] = L"ブックマーク";

class BookmarkWindow final : public Window {
  public:
    explicit BookmarkWindow(SideWindowOwner& owner) : owner_(owner) {}
    // Creates the window hidden and reads the list from the registry.
    bool Create();
    // Adds one file or name pattern (C:\logs\app_*.log) to both lists; a cancelled dialog's
    // empty path adds nothing, and an executable, or a pattern of executables, is refused with
    // a message.
    void AddList(const std::wstring& strAddFilePath);
    // The close step the close box runs too: the list is stored (a refused store is
    // reported) and the window destroyed.
    void Close();
    // The full paths in list order.
    std::vector<std::wstring> Paths() const;

  private:
    void OnCreate(const CREATESTRUCTW& create) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;
    void OnDropFiles(HDROP drop) override;
    void OnClose() override { Close(); }
    void OnAddButton();
    void OnDeleteButton();
    void OnViewSwitch();
    void OpenSelectedFile();
    void Append(const std::wstring& path);
    HWND VisibleList() const;

    SideWindowOwner& owner_;
    int dpi_ = 96;
    int widestPath_ = 0;
    int widestName_ = 0;
    UniqueFont font_;
};

}  // namespace zr
