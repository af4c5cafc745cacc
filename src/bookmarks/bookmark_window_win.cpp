#include "bookmarks/bookmark_window_win.h"

#include "bookmarks/bookmark_list.h"
#include "common/controls_win.h"
#include "common/dropped_files_win.h"
#include "common/list_box_win.h"
#include "common/messages.h"
#include "common/ui_seam_win.h"
#include "follow/newest_file.h"
#include "settings/registry_win.h"

namespace zr {

namespace {

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kClientWidth = 2850;
constexpr int kClientHeight = 3225;
constexpr DWORD kListStyle =
    WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

// In tab order.
const ControlSpec kControls[] = {
    {IDC_BM_LABEL1, L"STATIC", L"ブックマーク", SS_LEFT, 120, 120, 975, 255},
    {IDC_CMDADDLIST, L"BUTTON", L"追加", WS_TABSTOP | BS_PUSHBUTTON, 1200, 120, 735, 255},
    {IDC_CMDDELLIST, L"BUTTON", L"削除", WS_TABSTOP | BS_PUSHBUTTON, 1920, 120, 735, 255},
    {IDC_LSTFILENMLIST, L"LISTBOX", L"", kListStyle, 120, 360, 2535, 2400, 0, WS_EX_CLIENTEDGE,
     true},
    {IDC_LSTFILELIST, L"LISTBOX", L"", kListStyle, 120, 360, 2535, 2400, 0, WS_EX_CLIENTEDGE},
    {IDC_CKLISTVIEW, L"BUTTON", L"ファイル名のみ表示", WS_TABSTOP | BS_AUTOCHECKBOX, 120, 2880,
     1815, 180},
};

// The name a directory lookup finds for the path among ordinary files; "" for a folder, a
// hidden or system file, a missing file or a drive that cannot be read.
std::wstring OrdinaryFileName(const std::wstring& path) {
    if (path.find_first_of(L"*?") != std::wstring::npos) return {};
    // A drive without its medium must not bring up the system's "insert a disk" box.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    WIN32_FIND_DATAW found{};
    UniqueFind find(
        FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    SetThreadErrorMode(oldMode, nullptr);
    if (!find) return {};
    constexpr DWORD kNotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (found.dwFileAttributes & kNotOrdinary) return {};
    return found.cFileName;
}

// What the names-only view shows: a pattern's own part, which says which files it follows.
std::wstring ShownName(const std::wstring& path) {
    return IsNamePattern(path) ? SplitPatternPath(path).name : OrdinaryFileName(path);
}

// Long paths are reached by scrolling sideways rather than cut off.
void WidenScrollRange(HWND list, const std::wstring& text, int& widest) {
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    const int width = TextExtent(list, font, text).cx + GetSystemMetrics(SM_CXEDGE) * 2;
    if (width <= widest) return;
    widest = width;
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest), 0);
}

}  // namespace

bool BookmarkWindow::Create() {
    return CreateDesigned({L"ZororuvBookmarks"}, kExStyle, kStyle, kBookmarkCaption, kClientWidth,
                          kClientHeight, 0, 0) != nullptr;
}

void BookmarkWindow::OnDropFiles(HDROP drop) {
    // A file dragged from the shell joins the list by the rules of "追加".
    AddList(TakeDroppedFile(hwnd(), drop));
}

void BookmarkWindow::OnCreate(const CREATESTRUCTW&) {
    dpi_ = WindowDpi(hwnd());
    font_ = MakeUiFont(dpi_);
    widestPath_ = widestName_ = 0;
    CreateControls(hwnd(), kControls, dpi_, font_.get());
    DragAcceptFiles(hwnd(), TRUE);
    RegistryStore store;
    for (const std::wstring& path : LoadBookmarks(store)) Append(path);
}

void BookmarkWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    RescaleFixedWindow(hwnd(), kControls, dpi, font_, kClientWidth, kClientHeight, suggested);
}

void BookmarkWindow::OnCommand(int id, int code, HWND) {
    switch (id) {
        case IDOK:
            // Enter, from the message loop's dialog keys, on a list opens its selection.
            if (GetFocus() == VisibleList()) OpenSelectedFile();
            break;
        case IDC_CMDADDLIST:
            if (code == BN_CLICKED) OnAddButton();
            break;
        case IDC_CMDDELLIST:
            if (code == BN_CLICKED) OnDeleteButton();
            break;
        case IDC_CKLISTVIEW:
            if (code == BN_CLICKED) OnViewSwitch();
            break;
        case IDC_LSTFILELIST:
        case IDC_LSTFILENMLIST:
            if (code == LBN_DBLCLK) OpenSelectedFile();
            break;
        default:
            break;
    }
}

void BookmarkWindow::AddList(const std::wstring& strAddFilePath) {
    const AddDecision decision = DecideAdd(strAddFilePath);
    switch (decision.verdict) {
        case AddVerdict::Nothing:
            return;
        case AddVerdict::Executable:
            ShowError(hwnd(), kExeRefused);
            return;
        case AddVerdict::Add:
            Append(decision.path);
            return;
    }
}

void BookmarkWindow::Append(const std::wstring& path) {
    HWND paths = Control(IDC_LSTFILELIST);
    HWND names = Control(IDC_LSTFILENMLIST);
    if (ListCount(paths) >= kMaxBookmarks) return;
    const std::wstring name = ShownName(path);
    // Both lists or neither: entry i of one always belongs to entry i of the other.
    const int at = ListAdd(paths, path);
    if (at < 0) return;
    if (ListAdd(names, name) < 0) {
        ListDelete(paths, at);
        return;
    }
    WidenScrollRange(paths, path, widestPath_);
    WidenScrollRange(names, name, widestName_);
}

void BookmarkWindow::OnAddButton() {
    // Owned by this window: while the dialog is open only this window is disabled, and its
    // closing enables only this window again.
    AddList(Ui().OpenFileDialog(hwnd(), L"*.*"));
}

HWND BookmarkWindow::VisibleList() const {
    // The style bit, not IsWindowVisible: the window itself may be hidden.
    HWND names = Control(IDC_LSTFILENMLIST);
    return (GetWindowLongW(names, GWL_STYLE) & WS_VISIBLE) ? names : Control(IDC_LSTFILELIST);
}

void BookmarkWindow::OnDeleteButton() {
    HWND visible = VisibleList();
    const int index = ListSelection(visible);
    if (index < 0) return;
    HWND hidden =
        visible == Control(IDC_LSTFILELIST) ? Control(IDC_LSTFILENMLIST) : Control(IDC_LSTFILELIST);
    ListDelete(hidden, index);
    ListDelete(visible, index);
}

void BookmarkWindow::OnViewSwitch() {
    const bool namesOnly = IsChecked(hwnd(), IDC_CKLISTVIEW);
    ShowWindow(Control(IDC_LSTFILENMLIST), namesOnly ? SW_SHOW : SW_HIDE);
    ShowWindow(Control(IDC_LSTFILELIST), namesOnly ? SW_HIDE : SW_SHOW);
}

void BookmarkWindow::OpenSelectedFile() {
    HWND paths = Control(IDC_LSTFILELIST);
    HWND from = IsChecked(hwnd(), IDC_CKLISTVIEW) ? Control(IDC_LSTFILENMLIST) : paths;
    const int index = ListSelection(from);
    // Nothing selected opens nothing; an empty path would make the main window ask.
    if (index < 0) return;
    const std::wstring path = ListItemText(paths, index);
    if (!path.empty()) owner_.FileChosen(SideWindowKind::Bookmarks, path, false);
}

std::vector<std::wstring> BookmarkWindow::Paths() const {
    std::vector<std::wstring> paths;
    HWND list = Control(IDC_LSTFILELIST);
    const int count = ListCount(list);
    for (int i = 0; i < count; ++i) paths.push_back(ListItemText(list, i));
    return paths;
}

void BookmarkWindow::Close() {
    if (!hwnd()) return;
    RegistryStore store;
    if (!SaveBookmarks(store, Paths())) ShowError(hwnd(), kBookmarksNotStored);
    owner_.SideWindowClosed(SideWindowKind::Bookmarks);
    DestroyWindow(hwnd());
}

}  // namespace zr
