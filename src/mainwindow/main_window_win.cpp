#include "mainwindow/main_window_win.h"

#include <commdlg.h>
#include <richedit.h>

#include <stdexcept>

#include "common/codepage_win.h"
#include "common/controls_win.h"
#include "common/dropped_files_win.h"
#include "common/look_win.h"
#include "common/messages.h"
#include "common/twips.h"
#include "common/ui_seam_win.h"
#include "filesearch/newest_file_dialog_win.h"
#include "follow/newest_file.h"
#include "highlight/highlight_dialog_win.h"
#include "highlight/highlight_store_win.h"
#include "mainwindow/instance_win.h"
#include "mainwindow/layout.h"
#include "settings/options_dialog_win.h"
#include "settings/registry_win.h"

namespace zr {

namespace {

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// A failure that keeps the window from being made, told to whoever made it.
[[noreturn]] void Fail(const wchar_t* why) {
    throw std::runtime_error(ToAnsi(why));
}

}  // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    RemoveMessageFilter(this);
    // Side windows go before the main window, as they do when the program ends.
    sides_.reset();
}

bool MainWindow::Create(int showCommand, bool quitOnDestroy) {
    quitOnDestroy_ = quitOnDestroy;
    showCommand_ = showCommand;
    if (!CreateDesigned({L"ZororuvMain"}, 0, kMainStyle, kMainCaption, kMainClientWidth,
                        kMainClientHeight, CW_USEDEFAULT, CW_USEDEFAULT, true)) {
        return false;
    }
    RunLoadSteps();
    return true;
}

void MainWindow::OnCreate(const CREATESTRUCTW&) {
    // The display is the system's rich-text control: without its library there is nothing to
    // show a log in.
    static const HMODULE richEdit = LoadLibraryW(L"Msftedit.dll");
    if (!richEdit) Fail(L"表示に使う部品 Msftedit.dll を読み込めません。");
    menu_.Attach(hwnd());
    menu_.CheckEncoding(TextEncoding::Auto);
    dpi_ = WindowDpi(hwnd());
    uiFont_ = MakeUiFont(dpi_);
    labelFont_ = MakeStatusFont(dpi_);
    CreateControls(hwnd(), MainControls(), dpi_, uiFont_.get());
    if (!Control(IDC_RICHTEXT)) Fail(L"ログを表示する欄を作れません。");
    SendMessageW(Control(IDC_LABEL1), WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()),
                 FALSE);
    labelBrush_.reset(CreateSolidBrush(kNoteColor));
    view_.Attach(Control(IDC_RICHTEXT));
    PassEvents& events = *this;
    pass_ = std::make_unique<FollowPass>(hwnd(), Control(IDC_LABEL1), view_, settings_, events);
    file_ = std::make_unique<FollowedFile>(hwnd(), *pass_, menu_);
    search_ = std::make_unique<LogSearch>(hwnd(), Control(IDC_LABEL1), view_, *pass_);
    filterBar_ = std::make_unique<FilterBar>(hwnd(), view_, *pass_);
    filterBar_->Create(dpi_, uiFont_.get());
    view_.SetStatus(Control(IDC_LABEL1));
    view_.SetHighlights(LoadHighlightRules());
    sides_ = std::make_unique<SideWindows>(hwnd(), menu_,
                                           [this](const std::wstring& path) { OpenFile(path); });
    accelerators_.reset(CreateMainAccelerators());
    AddMessageFilter(this);
    // Files dragged from the shell are opened as "開く" opens them.
    DragAcceptFiles(hwnd(), TRUE);
    SetWrap(false);
}

void MainWindow::RunLoadSteps() {
    HWND h = hwnd();
    SetControlText(h, IDC_LABEL1, L"");
    SetReadingButtons(false);
    EnableControl(h, IDC_COMMAND2, false);

    RegistryStore store;
    const StartupValues startup = LoadSettings(store, settings_);
    ApplyStoredPosition(startup);
    // An instance started by "追加起動" stands beside the one that started it.
    TakeStartPlace(h);
    pass_->SetInterval(static_cast<UINT>(EffectiveReadInterval(settings_.ReadInterval)));
    SetControlText(h, IDC_TEXT1, settings_.InsertText ? startup.insertString.c_str() : L"");

    ShowWindow(h, showCommand_);
    UpdateWindow(h);
    display_ = DisplayFromSettings(settings_);
    view_.Apply(display_, false);
    if (settings_.LoadWindowSize) ShowWindow(h, SW_MAXIMIZE);
    // The check box says "hide horizontal scrolling at start": start with lines wrapped.
    if (settings_.LoadRightScroll) SetWrap(true);
    sides_->ShowAtStart(settings_.LoadBookMark, settings_.LoadFileSearch, settings_.LoadWindowProc);
    BringWindowToTop(h);
}

void MainWindow::ApplyStoredPosition(const StartupValues& startup) {
    if (!startup.windowTop || !startup.windowLeft) return;
    const int dpi = WindowDpi(nullptr);
    RECT r;
    GetWindowRect(hwnd(), &r);
    const int x = TwipsToPixels(*startup.windowLeft, dpi);
    const int y = TwipsToPixels(*startup.windowTop, dpi);
    // Only a place where the title bar can be seen and grabbed: a removed monitor or a
    // lowered resolution must not leave the window out of reach.
    RECT titleBar{x, y, x + (r.right - r.left), y + GetSystemMetrics(SM_CYCAPTION)};
    if (!MonitorFromRect(&titleBar, MONITOR_DEFAULTTONULL)) return;
    SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OpenFile(const std::wstring& path) {
    if (!file_ || !file_->Open(path)) return;
    SetReadingButtons(true);
    // So that Ctrl+Home, Page Up and Ctrl+F work at once.
    SetFocus(view_.hwnd());
}

void MainWindow::SetReadingButtons(bool following) {
    HWND h = hwnd();
    EnableControl(h, IDC_COMMAND1, following);
    EnableControl(h, IDC_COMMAND2, !following);
    EnableControl(h, IDC_COMMAND4, following);
    EnableControl(h, IDC_COMMAND5, following);
}

void MainWindow::OnSize(UINT, int width, int height) {
    HWND display = Control(IDC_RICHTEXT);
    if (!display) return;  // sizes that arrive while the window is being created
    const bool bar = filterBar_ && filterBar_->Shown();
    const MainLayout layout = ComputeMainLayout(
        PixelsToTwips(width, dpi_), PixelsToTwips(height, dpi_), bar ? kFilterBarHeight : 0);
    const auto px = [this](int twips) { return TwipsToPixels(twips, dpi_); };
    SetWindowPos(display, nullptr, px(layout.display.left), px(layout.display.top),
                 px(layout.display.width), px(layout.display.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (bar) filterBar_->Place(px(kDisplayLeft), px(kDisplayTop), px(layout.display.width), dpi_);
    // The buttons and the status box move sideways only, keeping their designed tops.
    for (int id :
         {IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND3, IDC_COMMAND4, IDC_COMMAND5, IDC_LABEL1}) {
        SetWindowPos(Control(id), nullptr, px(layout.buttonsLeft), px(MainControl(id).top), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(Control(IDC_TEXT1), nullptr, 0, 0, px(layout.insertBoxWidth),
                 px(MainControl(IDC_TEXT1).height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (sides_) sides_->Place();
}

void MainWindow::OnMove(int, int) {
    if (sides_) sides_->Place();
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls hold the old fonts until they have the new ones.
    UniqueFont oldUi = std::exchange(uiFont_, MakeUiFont(dpi));
    UniqueFont oldLabel = std::exchange(labelFont_, MakeStatusFont(dpi));
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        HFONT font = id == IDC_LABEL1 ? labelFont_.get() : uiFont_.get();
        if (id != IDC_RICHTEXT)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // Every control goes back to its designed place at the new DPI; the size that follows
    // lays out the moving ones.
    LayoutControls(hwnd(), MainControls(), dpi);
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(hwnd(), &client);
    OnSize(SIZE_RESTORED, client.right, client.bottom);
}

void MainWindow::SetWrap(bool wrap) {
    view_.SetWrap(wrap);
    menu_.ShowSwitch(IDM_RSCROLL, wrap);
}

void MainWindow::OnCommand(int id, int code, HWND control) {
    if (control && filterBar_->OnCommand(id, code)) return;
    if (control && code != BN_CLICKED) return;
    if (IsEncodingItem(id)) {
        file_->ChooseEncoding(EncodingOfItem(id));
        if (!file_->Path().empty()) SetReadingButtons(true);
        return;
    }
    switch (id) {
        case IDM_OPEN:
            return OpenFile(L"");
        case IDM_BOOT:
            if (!StartSecondInstance(hwnd(), ProgramPath()))
                ShowError(hwnd(), L"追加起動できません。");
            return;
        case IDM_EXIT:
            return OnExit();
        case IDM_BOOKMARK:
            return sides_->SwitchBookmarks();
        case IDM_FILESEARCH:
            return sides_->SwitchFileSearch();
        case IDM_WINPOS:
            return sides_->SwitchTopMost();
        case IDM_RSCROLL:
            SetWrap(!view_.Wrap());
            return view_.ScrollToEnd();
        case IDM_OPTION:
            return OnOption();
        case IDM_HIGHLIGHT:
            return OnHighlight();
        case IDM_NEWEST:
            return OnNewestFile();
        case IDM_FILTER:
            return SwitchFilterBar();
        case IDM_VER:
            return sides_->ShowAbout();
        case IDM_FIND:
            return search_->Show();
        case IDM_FIND_NEXT:
        case IDM_FIND_PREVIOUS:
            return search_->Next(id == IDM_FIND_PREVIOUS);
        case IDM_COPY:
            return view_.Copy();
        case IDM_SELECT_ALL:
            return view_.SelectAll();
        case IDC_COMMAND1:  // 読込中止, a filter's scan with it
            pass_->SetStopRead(true);
            view_.Pause(true);
            return SetReadingButtons(false);
        case IDC_COMMAND2:  // 読込再開: the end comes back into view, read anew when away
            pass_->SetStopRead(false);
            view_.Pause(false);
            view_.ShowEnd();
            return SetReadingButtons(true);
        case IDC_COMMAND3:
            return view_.Clear();
        case IDC_COMMAND4:
            return file_->InsertTime();
        case IDC_COMMAND5:
            return file_->InsertText(ControlText(hwnd(), IDC_TEXT1));
        default:
            return;
    }
}

void MainWindow::OnOption() {
    // Topmost windows would cover the dialog; a tick would read the file under it.
    sides_->LetGoAroundDialog(true);
    const bool timerWasOn = pass_->TimerEnabled();
    pass_->EnableTimer(false);
    const std::optional<Settings> confirmed =
        OptionsDialog(hwnd(), settings_, display_).ShowModal();
    if (!hwnd()) return;  // the main window went while the dialog was open
    if (confirmed) {
        // All of them to the registry (a refusal is told there), then the display takes the
        // new font and colours and the text already shown is recoloured. The timer keeps its
        // period until the next start.
        settings_ = *confirmed;
        RegistryStore store;
        SetRegistry(store, settings_, hwnd());
        display_ = DisplayFromSettings(settings_);
        view_.Apply(display_, true);
    }
    pass_->EnableTimer(timerWasOn);
    sides_->LetGoAroundDialog(false);
    BringWindowToTop(hwnd());
}

void MainWindow::OnNewestFile() {
    // Where the dialog starts: the folder of what is followed now.
    const std::wstring now = file_->Pattern().empty() ? file_->Path() : file_->Pattern();
    const std::optional<NewestFileChoice> choice =
        AskNewestFile(hwnd(), now.empty() ? L"" : SplitPatternPath(now).folder);
    if (!choice || !hwnd()) return;
    OpenFile(choice->patternPath);
    if (choice->addToBookmarks) sides_->AddBookmark(choice->patternPath);
}

void MainWindow::MovedOn(const std::wstring& path) {
    file_->MovedOn(path);
}

void MainWindow::OnHighlight() {
    std::vector<HighlightRule> rules = LoadHighlightRules();
    if (HighlightDialog::Run(hwnd(), rules) && hwnd()) view_.SetHighlights(rules);
}

void MainWindow::SwitchFilterBar() {
    filterBar_->Show(!filterBar_->Shown());
    menu_.Check(IDM_FILTER, filterBar_->Shown());
    RECT client;
    GetClientRect(hwnd(), &client);
    OnSize(SIZE_RESTORED, client.right, client.bottom);
}

void MainWindow::OnTimer(UINT_PTR id) {
    if (id == kTimer1 && pass_) pass_->ReadNewText();
    if (id == kFilterTimer) filterBar_->OnTimer();
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP_FOLLOW_CONTINUE) {
        if (pass_) pass_->OnContinue(wp);
        return 0;
    }
    if (search_ && search_->OnMessage(msg, lp)) return 0;
    return Window::OnMessage(msg, wp, lp);
}

void MainWindow::NoticesFound(const std::array<bool, NoticeMatcher::kCount>& found) {
    for (bool hit : found) {
        if (!hit) continue;
        if (settings_.NoticeWindowPos) BringWindowToTop(hwnd());
        if (settings_.PlayWave) Ui().PlayWave(settings_.WaveFilePath);
    }
}

void MainWindow::OnDropFiles(HDROP drop) {
    if (const std::wstring path = TakeDroppedFile(hwnd(), drop); !path.empty()) OpenFile(path);
}

HBRUSH MainWindow::OnCtlColor(UINT msg, HDC dc, HWND control) {
    if (msg == WM_CTLCOLORSTATIC && control == Control(IDC_LABEL1)) {
        SetBkColor(dc, kNoteColor);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return labelBrush_.get();
    }
    return Window::OnCtlColor(msg, dc, control);
}

bool MainWindow::PreTranslate(MSG& msg) {
    // Only for the main window and its controls, and not while a dialog holds it disabled.
    if (!accelerators_ || !hwnd() || !IsWindowEnabled(hwnd())) return false;
    if (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)) return false;
    // Escape stops a search that is still going through the file.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && search_->Busy()) {
        search_->Cancel();
        return true;
    }
    return TranslateAcceleratorW(hwnd(), accelerators_.get(), &msg) != 0;
}

void MainWindow::OnContextMenu(HWND from, POINT point) {
    if (from != view_.hwnd()) return;
    if (point.x == -1 && point.y == -1) {
        // From the keyboard: at the display's top left corner.
        point = {0, 0};
        ClientToScreen(from, &point);
    }
    UniqueMenu menu(CreateDisplayMenu());
    const int id = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0,
                                  hwnd(), nullptr);
    if (id != 0) OnCommand(id, 0, nullptr);
}

void MainWindow::OnExit() {
    if (Ui().Message(hwnd(), L"終了しますか？", L"確認", MB_OKCANCEL | MB_DEFBUTTON1) != IDOK) {
        return;
    }
    OnClose();
    // A pass still running ends after its current step.
    if (pass_) pass_->SetStopRead(true);
}

void MainWindow::OnClose() {
    if (closing_ || !hwnd()) return;
    closing_ = true;
    RunClosingSteps();
    DestroyWindow(hwnd());
    closing_ = false;
}

bool MainWindow::OnQueryEndSession() {
    // The exit confirmation would hold up the end of the session: it is not asked.
    return true;
}

void MainWindow::OnEndSession(bool ending) {
    // The process may be ended as soon as this returns: the closing steps store the window's
    // settings and the bookmarks now. None of them asks the user anything but a refusal.
    if (ending) OnClose();
}

void MainWindow::RunClosingSteps() {
    RECT r;
    GetWindowRect(hwnd(), &r);
    const int dpi = WindowDpi(nullptr);
    RegistryStore store;
    if (!SaveExitSettings(store, settings_, PixelsToTwips(r.top, dpi), PixelsToTwips(r.left, dpi),
                          ControlText(hwnd(), IDC_TEXT1))) {
        ShowError(hwnd(), kSettingsNotStored);
    }
    sides_->CloseAll();
    pass_->Close();
}

void MainWindow::OnDestroy() {
    if (quitOnDestroy_) PostQuitMessage(0);
}

void MainWindow::OnDestroyed() {
    RemoveMessageFilter(this);
    if (pass_) pass_->Close();
}

}  // namespace zr
