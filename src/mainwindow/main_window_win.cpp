#include "mainwindow/main_window_win.h"

#include <richedit.h>

#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "common/twips.h"
#include "common/ui_seam_win.h"
#include "filesearch/file_search_window_win.h"
#include "mainwindow/instance_win.h"
#include "settings/registry_win.h"

namespace zr {

namespace {

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kClientWidth = 6855;
constexpr int kClientHeight = 2895;

// Designed geometry in twips, in tab order. The re-layout moves the display, the buttons,
// the status box and the insert box as soon as the window is first shown, and takes
// everything else it needs from here.
const ControlSpec kControls[] = {
    {IDC_TEXT1, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 960, 60, 4695, 270, 0, WS_EX_CLIENTEDGE},
    {IDC_COMMAND1, L"BUTTON", L"読込中止", WS_TABSTOP | BS_PUSHBUTTON, 5756, 480, 975, 375},
    {IDC_COMMAND2, L"BUTTON", L"読込再開", WS_TABSTOP | BS_PUSHBUTTON, 5760, 960, 975, 375},
    {IDC_COMMAND3, L"BUTTON", L"クリア", WS_TABSTOP | BS_PUSHBUTTON, 5760, 1440, 975, 375},
    {IDC_COMMAND4, L"BUTTON", L"時刻挿入", WS_TABSTOP | BS_PUSHBUTTON, 5760, 1920, 975, 375},
    {IDC_COMMAND5, L"BUTTON", L"文章挿入", WS_TABSTOP | BS_PUSHBUTTON, 5760, 2400, 975, 375},
    {IDC_LABEL1, L"STATIC", L"", SS_CENTER | WS_BORDER, 5760, 60, 945, 315},
    {IDC_RICHTEXT, MSFTEDIT_CLASS, L"",
     WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
         ES_NOHIDESEL | ES_SAVESEL,
     120, 480, 5535, 2295, 0, WS_EX_CLIENTEDGE},
    {IDC_LABEL2, L"STATIC", L"挿入文章", SS_LEFT, 120, 100, 735, 255},
};

}  // namespace

std::span<const ControlSpec> MainWindow::ControlTable() {
    return kControls;
}

const ControlSpec& MainWindow::Designed(int id) {
    for (const ControlSpec& control : kControls) {
        if (control.id == id) return control;
    }
    return kControls[0];  // not reached: every id the window uses is in the table
}

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    RemoveMessageFilter(this);
    // Side windows go before the main window, as they do when the program ends.
    about_.reset();
    fileSearch_.reset();
    bookmarks_.reset();
}

bool MainWindow::Create(int showCommand, bool quitOnDestroy) {
    quitOnDestroy_ = quitOnDestroy;
    showCommand_ = showCommand;
    static HMODULE richEdit = LoadLibraryW(L"Msftedit.dll");
    (void)richEdit;

    if (!CreateDesigned({L"ZororuvMain"}, 0, kMainStyle, kMainCaption, kClientWidth, kClientHeight,
                        CW_USEDEFAULT, CW_USEDEFAULT, true)) {
        return false;
    }
    RunLoadSteps();
    return true;
}

void MainWindow::RunLoadSteps() {
    HWND h = hwnd();
    intTopMost_ = 0;
    SetControlText(h, IDC_LABEL1, L"");
    SetControlText(h, IDC_TEXT1, L"");
    pass_->SetStopRead(false);
    EnableTimer(false);
    strFilePath_.clear();
    for (int id : {IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND4, IDC_COMMAND5}) {
        EnableControl(h, id, false);
    }

    settings_ = Settings{};
    RegistryStore store;
    const StartupValues startup = LoadSettings(store, settings_);
    ApplyStoredPosition(startup);
    // An instance started by "追加起動" stands beside the one that started it.
    TakeStartPlace(hwnd());
    strInsertString_ = startup.insertString;

    timerInterval_ = static_cast<UINT>(EffectiveReadInterval(settings_.ReadInterval));
    pass_->SetInterval(timerInterval_);
    SetControlText(h, IDC_TEXT1, settings_.InsertText ? strInsertString_.c_str() : L"");

    ShowWindow(h, showCommand_);
    UpdateWindow(h);
    HookWindow();

    TakeDisplayFromSettings();
    ApplyDisplayState(false);

    if (settings_.LoadWindowSize) ShowWindow(h, SW_MAXIMIZE);
    // The check box says "hide horizontal scrolling at start": start with lines wrapped.
    if (settings_.LoadRightScroll) SetWrap(true);
    if (settings_.LoadWindowProc) SwitchTopMost(h, 0);
    ShowStartupSideWindows();
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

void MainWindow::CreateMenuBar() {
    menu_ = CreateMainMenu();
    SetMenu(hwnd(), menu_);
    ChooseEncoding(TextEncoding::Auto);
}

void MainWindow::ChooseEncoding(TextEncoding encoding) {
    encoding_ = encoding;
    // The order of the items is the order of the encodings.
    CheckMenuRadioItem(menu_, IDM_ENCODING_AUTO, IDM_ENCODING_UTF16BE,
                       IDM_ENCODING_AUTO + static_cast<int>(encoding), MF_BYCOMMAND);
}

void MainWindow::SetMenuCaption(int id, const wchar_t* caption) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = const_cast<wchar_t*>(caption);
    SetMenuItemInfoW(menu_, static_cast<UINT>(id), FALSE, &mii);
    DrawMenuBar(hwnd());
}

void MainWindow::CreateChildControls() {
    dpi_ = WindowDpi(hwnd());
    RecreateFonts();
    CreateControls(hwnd(), kControls, dpi_, uiFont_.get());
    SendMessageW(Control(IDC_LABEL1), WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()),
                 FALSE);
    labelBrush_.reset(CreateSolidBrush(RGB(255, 192, 192)));
    view_.Attach(Control(IDC_RICHTEXT));
    pass_ = std::make_unique<FollowPass>(hwnd(), Control(IDC_LABEL1), view_, settings_);
    search_ = std::make_unique<LogSearch>(hwnd(), Control(IDC_LABEL1), view_, *pass_);
    accelerators_.reset(CreateMainAccelerators());
    AddMessageFilter(this);
    // Files dragged from the shell are opened as "開く" opens them.
    DragAcceptFiles(hwnd(), TRUE);
    SetWrap(false);
}

void MainWindow::RecreateFonts() {
    uiFont_ = MakeUiFont(dpi_);
    labelFont_ = MakeFont(L"ＭＳ Ｐゴシック", 98, true, false, dpi_);
}

void MainWindow::TakeDisplayFromSettings() {
    display_.strCurFontName = settings_.FontName;
    display_.lngCurFontSize = settings_.FontSize;
    display_.blnCurBold = settings_.Bold;
    display_.blnCurItalic = settings_.Italic;
    display_.strCurForeColor = settings_.ForeColor;
    display_.strCurBackColor = settings_.BackColor;
}

void MainWindow::ApplyDisplayState(bool recolourAll) {
    view_.Apply(display_, recolourAll);
}

void MainWindow::EnableTimer(bool enable) {
    if (pass_) pass_->EnableTimer(enable);
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            CreateMenuBar();
            CreateChildControls();
            return 0;
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_TIMER:
            if (wp == kTimer1 && pass_) pass_->ReadNewText();
            return 0;
        case WM_APP_FOLLOW_CONTINUE:
            if (pass_) pass_->OnContinue(wp);
            return 0;
        case WM_COMMAND:
            if (lp == 0 || HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_QUERYENDSESSION:
            // The exit confirmation would hold up the end of the session: it is not asked.
            return TRUE;
        case WM_ENDSESSION:
            OnEndSession(wp != FALSE);
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wp));
            return 0;
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wp), lp);
            return 0;
        case WM_DESTROY:
            if (quitOnDestroy_) PostQuitMessage(0);
            return 0;
        default:
            if (search_ && search_->OnMessage(msg, lp)) return 0;
            return Default(msg, wp, lp);
    }
}

void MainWindow::OnDestroyed() {
    RemoveMessageFilter(this);
    if (pass_) pass_->Close();
    menu_ = nullptr;  // destroyed with the window
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
    if (control == Control(IDC_LABEL1)) {
        SetBkColor(dc, RGB(255, 192, 192));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(labelBrush_.get());
    }
    return Default(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
}

void MainWindow::OnCommand(int id) {
    switch (id) {
        case IDM_OPEN:
            OpenFile(L"");
            break;
        case IDM_EXIT:
            OnExitMenu();
            break;
        case IDM_BOOKMARK:
            OnBookMarkMenu();
            break;
        case IDM_FILESEARCH:
            OnFileSearchMenu();
            break;
        case IDM_WINPOS:
            OnWinpos();
            break;
        case IDM_RSCROLL:
            OnRScroll();
            break;
        case IDM_OPTION:
            OnOption();
            break;
        case IDM_VER:
            OnVersion();
            break;
        case IDM_BOOT:
            OnBoot();
            break;
        case IDM_FIND:
            search_->Show();
            break;
        case IDM_FIND_NEXT:
        case IDM_FIND_PREVIOUS:
            search_->Next(id == IDM_FIND_PREVIOUS);
            break;
        case IDM_COPY:
            view_.Copy();
            break;
        case IDM_SELECT_ALL:
            view_.SelectAll();
            break;
        case IDM_ENCODING_AUTO:
        case IDM_ENCODING_CODE_PAGE:
        case IDM_ENCODING_UTF8:
        case IDM_ENCODING_UTF16LE:
        case IDM_ENCODING_UTF16BE:
            OnEncoding(id);
            break;
        case IDC_COMMAND1:
            OnCommand1();
            break;
        case IDC_COMMAND2:
            OnCommand2();
            break;
        case IDC_COMMAND3:
            OnCommand3();
            break;
        case IDC_COMMAND4:
            OnCommand4();
            break;
        case IDC_COMMAND5:
            OnCommand5();
            break;
        default:
            break;
    }
}

void MainWindow::OnExitMenu() {
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

void MainWindow::OnEndSession(bool ending) {
    // The process may be ended as soon as this returns: the closing steps store the window's
    // settings and the bookmarks now. None of them asks the user anything.
    if (ending) OnClose();
}

void MainWindow::RunClosingSteps() {
    UnhookWindow();
    RECT r;
    GetWindowRect(hwnd(), &r);
    const int dpi = WindowDpi(nullptr);
    RegistryStore store;
    SaveExitSettings(store, settings_, PixelsToTwips(r.top, dpi), PixelsToTwips(r.left, dpi),
                     ControlText(hwnd(), IDC_TEXT1));
    CloseSideWindows();
    EnableTimer(false);
    pass_->Close();
}

}  // namespace zr
