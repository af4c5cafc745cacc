// The file search window: a drive list, the folders of the current drive and the files of
// the current folder that match a wildcard pattern. It sits on the main window's top edge;
// its owner places, shows and hides it and is told which file the user chose.
#pragma once
#include <string>
#include <vector>

#include "common/handles_win.h"
#include "common/side_window_win.h"
#include "common/window_win.h"

namespace zr {

enum FileSearchControlId : int {
    IDC_CKBM = 400,   // add to bookmarks instead of opening
    IDC_DRIVE1,       // drop-down list of drives
    IDC_DIR1,         // the folders from the root down to the current one, then its subfolders
    IDC_FS_TEXT1,     // pattern box
    IDC_FS_COMMAND1,  // "検索": applies the pattern box
    IDC_FILE1,        // files of the current folder matching the applied pattern
};

class FileSearchWindow final : public Window {
  public:
    explicit FileSearchWindow(SideWindowOwner& owner) : owner_(owner) {}
    // Creates the window hidden, at the process's current folder with the pattern "*.*".
    bool Create();
    // What the close box does: the owner is told and the window destroyed.
    void Close();
    const std::wstring& Folder() const { return folder_; }
    // The full paths behind the entries of the folder list, in list order.
    const std::vector<std::wstring>& FolderItems() const { return folderItems_; }

  private:
    void OnCreate(const CREATESTRUCTW& create) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;
    void OnClose() override { Close(); }
    void OnDriveChange();
    void OnFolderChosen();
    void OnSearch();
    void OnFileDoubleClick();

    void FillDrives();
    void SelectDriveOf(const std::wstring& folder);
    // Lists the folder; false, with nothing changed, when it cannot be read.
    bool SetFolder(const std::wstring& folder);
    void FillFiles();
    void ReportUnreadable(const std::wstring& what);

    SideWindowOwner& owner_;
    int dpi_ = 96;
    UniqueFont font_;
    std::wstring folder_;
    std::vector<std::wstring> folderItems_;
    std::vector<std::wstring> patterns_;
    int driveIndex_ = CB_ERR;
};

}  // namespace zr
