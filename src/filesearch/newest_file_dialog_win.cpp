#include "filesearch/newest_file_dialog_win.h"

#include "common/controls_win.h"
#include "common/handles_win.h"
#include "common/messages.h"
#include "common/modal_win.h"
#include "common/ui_seam_win.h"
#include "common/window_win.h"
#include "filesearch/search_paths.h"
#include "follow/newest_file.h"

namespace zr {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kClientWidth = 5355;
constexpr int kClientHeight = 2175;
constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;

// Designed geometry in twips, in tab order.
const ControlSpec kControls[] = {
    {IDC_NF_FOLDERLABEL, L"STATIC", L"フォルダー", SS_LEFT, 120, 180, 1035, 255},
    {IDC_NF_FOLDER, L"EDIT", L"", kEdit, 1200, 120, 2955, 300, 0, WS_EX_CLIENTEDGE},
    {IDC_NF_BROWSE, L"BUTTON", L"参照...", kButton, 4260, 120, 975, 300},
    {IDC_NF_PATTERNLABEL, L"STATIC", L"ファイル名", SS_LEFT, 120, 600, 1035, 255},
    {IDC_NF_PATTERN, L"EDIT", kDefaultNamePattern, kEdit, 1200, 540, 2955, 300, 0,
     WS_EX_CLIENTEDGE},
    {IDC_NF_NOTE, L"STATIC",
     L"* は任意の文字列、? は任意の 1 文字を表します。\r\n一致する最新のファイルを読み込みます。",
     SS_LEFT, 1200, 900, 4035, 435},
    {IDC_NF_BOOKMARK, L"BUTTON", L"ブックマークに追加", WS_TABSTOP | BS_AUTOCHECKBOX, 120, 1440,
     2415, 255},
    {IDOK, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 3180, 1680, 975, 375},
    {IDCANCEL, L"BUTTON", L"キャンセル", kButton, 4260, 1680, 975, 375},
};

bool IsFolder(const std::wstring& path) {
    // A drive without its medium must not bring up the system's "insert a disk" box.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    SetThreadErrorMode(oldMode, nullptr);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class NewestFileDialog final : public Window {
  public:
    NewestFileDialog(HWND owner, const std::wstring& folder) : owner_(owner), folder_(folder) {}

    std::optional<NewestFileChoice> ShowModal() {
        if (!owner_ || !Create()) return std::nullopt;
        othersDisabled_.emplace(hwnd());
        ShowWindow(hwnd(), SW_SHOW);
        Focus(IDC_NF_FOLDER);
        RunModalLoop(*this);
        if (exists()) Close();  // the program is ending: as a cancel
        othersDisabled_.reset();
        return confirmed_;
    }

  private:
    bool Create() {
        const int dpi = WindowDpi(owner_);
        const SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, 0, false, dpi);
        const POINT at = CentredOn(owner_, size);
        return CreateWin({kNewestFileClass}, 0, kStyle, kNewestFileCaption, at.x, at.y, size.cx,
                         size.cy, owner_, nullptr) != nullptr;
    }

    void OnCreate(const CREATESTRUCTW&) override {
        font_ = MakeUiFont(WindowDpi(hwnd()));
        CreateControls(hwnd(), kControls, WindowDpi(hwnd()), font_.get());
        SetControlText(hwnd(), IDC_NF_FOLDER, folder_.c_str());
    }

    void OnCommand(int id, int code, HWND) override {
        if (code != BN_CLICKED) return;
        if (id == IDC_NF_BROWSE) OnBrowse();
        if (id == IDOK) OnOk();
        if (id == IDCANCEL) Close();
    }

    // The dialog keeps the focus where the user left it when it is reactivated.
    void OnActivate(UINT state, bool, HWND) override {
        if (state == WA_INACTIVE) {
            focus_ = GetFocus();
        } else if (focus_ && IsChild(hwnd(), focus_)) {
            SetFocus(focus_);
        }
    }

    void OnDpiChanged(int dpi, const RECT& suggested) override {
        RescaleFixedWindow(hwnd(), kControls, dpi, font_, kClientWidth, kClientHeight, suggested);
    }

    void OnClose() override { Close(); }

    void OnBrowse() {
        // Owned by this dialog: one owned by the disabled main window would enable it again as
        // it closes.
        const auto folder = Ui().FolderDialog(hwnd(), ControlText(hwnd(), IDC_NF_FOLDER));
        if (folder) SetControlText(hwnd(), IDC_NF_FOLDER, folder->c_str());
    }

    void OnOk() {
        const FolderPattern chosen = MakeFolderPattern(ControlText(hwnd(), IDC_NF_FOLDER),
                                                       ControlText(hwnd(), IDC_NF_PATTERN));
        switch (chosen.refusal) {
            case PatternRefusal::NoFolder:
                return Refuse(kNoFolderGiven, IDC_NF_FOLDER);
            case PatternRefusal::NotAPattern:
                return Refuse(kNotANamePattern, IDC_NF_PATTERN);
            case PatternRefusal::Executable:
                return Refuse(kExeRefused, IDC_NF_PATTERN);
            case PatternRefusal::None:
                break;
        }
        // The folder as it will be listed, which is what must exist.
        if (!IsFolder(SplitPatternPath(chosen.patternPath).folder)) {
            return Refuse(kFolderMissing, IDC_NF_FOLDER);
        }
        confirmed_ = NewestFileChoice{chosen.patternPath, IsChecked(hwnd(), IDC_NF_BOOKMARK)};
        Close();
    }

    // Told in the program's style; the dialog stays open on the box to mend.
    void Refuse(const wchar_t* text, int box) {
        ShowError(hwnd(), text);
        Focus(box);
    }

    void Focus(int box) {
        SetFocus(Control(box));
        SendMessageW(Control(box), EM_SETSEL, 0, -1);
    }

    void Close() {
        // The other windows are enabled before the dialog goes, so that the activation returns
        // to its owner and not to some other program's window.
        othersDisabled_.reset();
        DestroyWindow(hwnd());
    }

    HWND owner_;
    std::wstring folder_;
    std::optional<NewestFileChoice> confirmed_;
    std::optional<OtherWindowsDisabled> othersDisabled_;
    HWND focus_ = nullptr;
    UniqueFont font_;
};

}  // namespace

std::optional<NewestFileChoice> AskNewestFile(HWND owner, const std::wstring& initialFolder) {
    return NewestFileDialog(owner, initialFolder).ShowModal();
}

}  // namespace zr
