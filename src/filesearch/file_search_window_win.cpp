#include "filesearch/file_search_window_win.h"

#include <algorithm>
#include <optional>
#include <set>

#include "common/controls_win.h"
#include "common/list_box_win.h"
#include "common/messages.h"
#include "common/ui_seam_win.h"
#include "filesearch/search_paths.h"

namespace zr {

namespace {

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kClientWidth = 6285;
constexpr int kClientHeight = 2115;
constexpr DWORD kListStyle = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

// In tab order. The drive list's height is that of its dropped-down list; the closed box
// takes the height its font gives it, about 300 twips.
const ControlSpec kControls[] = {
    {IDC_CKBM, L"BUTTON", L"ﾌﾞｯｸﾏｰｸに追加", WS_TABSTOP | BS_AUTOCHECKBOX | BS_FLAT, 1800, 120, 1575,
     255},
    {IDC_DRIVE1, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 120, 120, 1575,
     1995},
    {IDC_DIR1, L"LISTBOX", L"", kListStyle | WS_HSCROLL, 120, 480, 3255, 1560, 0, WS_EX_CLIENTEDGE},
    {IDC_FS_TEXT1, L"EDIT", L"*.*", WS_TABSTOP | ES_AUTOHSCROLL, 3480, 120, 1695, 300, 0,
     WS_EX_CLIENTEDGE},
    {IDC_FS_COMMAND1, L"BUTTON", L"検索", WS_TABSTOP | BS_PUSHBUTTON, 5280, 120, 855, 320},
    {IDC_FILE1, L"LISTBOX", L"", kListStyle | LBS_SORT, 3480, 480, 2655, 1530, 0, WS_EX_CLIENTEDGE},
};

// A drive without its medium must fail quietly instead of bringing up the system's
// "insert a disk" box.
class QuietDriveErrors {
  public:
    QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old_); }
    ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

  private:
    DWORD old_ = 0;
};

bool LessIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

// The subfolders of `folder`, sorted; nothing when the folder cannot be read.
std::optional<std::vector<std::wstring>> ReadSubfolders(const std::wstring& folder) {
    QuietDriveErrors quiet;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    UniqueFind find(FindFirstFileExW(JoinPath(folder, L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchLimitToDirectories, nullptr, 0));
    if (!find) {
        // An empty drive has not even "." to report.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return names;
        return std::nullopt;
    }
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(find.get(), &found));
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

// Ordinary files only: folders, hidden and system files are not listed.
std::set<std::wstring> MatchingFiles(const std::wstring& folder,
                                     const std::vector<std::wstring>& patterns) {
    QuietDriveErrors quiet;
    std::set<std::wstring> names;
    constexpr DWORD kNotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const auto& pattern : patterns) {
        WIN32_FIND_DATAW found{};
        UniqueFind find(FindFirstFileExW(JoinPath(folder, pattern).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0));
        if (!find) continue;
        do {
            if (!(found.dwFileAttributes & kNotOrdinary)) names.insert(found.cFileName);
        } while (FindNextFileW(find.get(), &found));
    }
    return names;
}

std::wstring DriveText(HWND drives, LRESULT index) {
    const LRESULT length = SendMessageW(drives, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(drives, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

std::wstring CurrentFolder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    const DWORD got = GetCurrentDirectoryW(length, folder.data());
    folder.resize(got < length ? got : 0);
    return folder;
}

}  // namespace

bool FileSearchWindow::Create() {
    folder_.clear();
    folderItems_.clear();
    patterns_ = SplitPatterns(L"*.*");
    driveIndex_ = CB_ERR;
    return CreateDesigned({L"ZororuvFileSearch"}, kExStyle, kStyle, L"", kClientWidth,
                          kClientHeight, 0, 0) != nullptr;
}

void FileSearchWindow::OnCreate(const CREATESTRUCTW&) {
    dpi_ = WindowDpi(hwnd());
    font_ = MakeUiFont(dpi_);
    CreateControls(hwnd(), kControls, dpi_, font_.get());
    FillDrives();
    const std::wstring start = CurrentFolder();
    SelectDriveOf(start);
    SetFolder(start);
}

void FileSearchWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    RescaleFixedWindow(hwnd(), kControls, dpi, font_, kClientWidth, kClientHeight, suggested);
}

void FileSearchWindow::Close() {
    if (!hwnd()) return;
    owner_.SideWindowClosed(SideWindowKind::FileSearch);
    DestroyWindow(hwnd());
}

void FileSearchWindow::OnCommand(int id, int code, HWND) {
    // Enter arrives as IDOK from the message loop's dialog keys; on a list it does what a
    // double-click does.
    if (id == IDOK) {
        HWND focus = GetFocus();
        if (focus == Control(IDC_DIR1)) OnFolderChosen();
        if (focus == Control(IDC_FILE1)) OnFileDoubleClick();
        if (focus == Control(IDC_FS_TEXT1)) OnSearch();
        return;
    }
    if (id == IDC_DRIVE1 && code == CBN_SELCHANGE) OnDriveChange();
    if (id == IDC_DIR1 && code == LBN_DBLCLK) OnFolderChosen();
    if (id == IDC_FS_COMMAND1 && code == BN_CLICKED) OnSearch();
    if (id == IDC_FILE1 && code == LBN_DBLCLK) OnFileDoubleClick();
}

void FileSearchWindow::FillDrives() {
    HWND drives = Control(IDC_DRIVE1);
    const DWORD length = GetLogicalDriveStringsW(0, nullptr);
    std::wstring buffer(length + 1, L'\0');
    GetLogicalDriveStringsW(length, buffer.data());
    for (const wchar_t* root = buffer.c_str(); *root; root += wcslen(root) + 1) {
        const std::wstring drive(root, std::min<size_t>(2, wcslen(root)));  // "C:"
        SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
    }
}

void FileSearchWindow::SelectDriveOf(const std::wstring& folder) {
    HWND drives = Control(IDC_DRIVE1);
    driveIndex_ = CB_ERR;
    if (folder.size() >= 2 && folder[1] == L':') {
        const std::wstring drive = folder.substr(0, 2);
        driveIndex_ =
            static_cast<int>(SendMessageW(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(drive.c_str())));
    }
    SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(driveIndex_), 0);
}

bool FileSearchWindow::SetFolder(const std::wstring& folder) {
    const std::optional<std::vector<std::wstring>> subfolders = ReadSubfolders(folder);
    if (!subfolders) return false;
    const std::vector<std::wstring> chain = FolderChain(folder);
    folder_ = chain.back();
    folderItems_ = chain;

    HWND list = Control(IDC_DIR1);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListClear(list);
    // One wide blank per level shows the folders as a tree.
    for (size_t level = 0; level < chain.size(); ++level) {
        const std::wstring& path = chain[level];
        const std::wstring shown =
            level == 0 ? path : path.substr(chain[level - 1].size() + (level > 1 ? 1 : 0));
        ListAdd(list, std::wstring(level, L'\u3000') + shown);
    }
    for (const auto& name : *subfolders) {
        ListAdd(list, std::wstring(chain.size(), L'\u3000') + name);
        folderItems_.push_back(JoinPath(folder_, name));
    }
    ListSelect(list, static_cast<int>(chain.size()) - 1);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    FillFiles();
    return true;
}

void FileSearchWindow::FillFiles() {
    HWND list = Control(IDC_FILE1);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListClear(list);
    for (const auto& name : MatchingFiles(folder_, patterns_)) ListAdd(list, name);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void FileSearchWindow::ReportUnreadable(const std::wstring& what) {
    ShowError(hwnd(), what + L" を読み込めません。");
}

void FileSearchWindow::OnDriveChange() {
    HWND drives = Control(IDC_DRIVE1);
    const LRESULT index = SendMessageW(drives, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR || index == driveIndex_) return;
    const std::wstring drive = DriveText(drives, index);
    // The drive's own current folder, as the system keeps one per drive; its root when that
    // folder is gone.
    wchar_t full[MAX_PATH] = {};
    const DWORD got = GetFullPathNameW(drive.c_str(), MAX_PATH, full, nullptr);
    const std::wstring current = got > 0 && got < MAX_PATH ? full : drive + L"\\";
    if (SetFolder(current) || SetFolder(drive + L"\\")) {
        driveIndex_ = static_cast<int>(index);
        return;
    }
    ReportUnreadable(drive);
    SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(driveIndex_), 0);
}

void FileSearchWindow::OnFolderChosen() {
    const int index = ListSelection(Control(IDC_DIR1));
    if (index < 0 || static_cast<size_t>(index) >= folderItems_.size()) return;
    const std::wstring target = folderItems_[static_cast<size_t>(index)];
    if (!SetFolder(target)) ReportUnreadable(target);
}

void FileSearchWindow::OnSearch() {
    patterns_ = SplitPatterns(ControlText(hwnd(), IDC_FS_TEXT1));
    FillFiles();
}

void FileSearchWindow::OnFileDoubleClick() {
    HWND files = Control(IDC_FILE1);
    const int index = ListSelection(files);
    if (index < 0) return;
    const std::wstring path = JoinPath(folder_, ListItemText(files, index));
    // The tick asks for a bookmark; the owner knows whether the bookmarks are there to take it.
    owner_.FileChosen(SideWindowKind::FileSearch, path, IsChecked(hwnd(), IDC_CKBM));
}

}  // namespace zr
