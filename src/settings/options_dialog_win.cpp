#include "settings/options_dialog_win.h"

#include <string>

#include "common/controls_win.h"
#include "common/messages.h"
#include "common/modal_win.h"
#include "settings/interval_rules.h"

namespace zr {

namespace {

// Fixed border, no minimise or maximise box; owned by the main window, so no task bar button.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kClientWidth = 7815;
constexpr int kClientHeight = 4800;

constexpr DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kFrame = BS_GROUPBOX;
constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;

// Designed geometry in twips, each control relative to its frame, in tab order. A frame
// comes before what it holds so that its border is drawn beneath its controls.
const ControlSpec kControls[] = {
    {IDC_OPT_FRAME1, L"BUTTON", L"起動時", kFrame, 120, 120, 2175, 2055},
    {IDC_OPT_CHLOAD1, L"BUTTON", L"最大化で表示", kCheck, 120, 240, 1815, 255, IDC_OPT_FRAME1},
    {IDC_OPT_CHLOAD2, L"BUTTON", L"横スクロール非表示", kCheck, 120, 600, 1935, 255,
     IDC_OPT_FRAME1},
    {IDC_OPT_CHLOAD3, L"BUTTON", L"手前に表示 ON", kCheck, 120, 960, 1695, 255, IDC_OPT_FRAME1},
    {IDC_OPT_CHLOAD4, L"BUTTON", L"ファイル検索表示", kCheck, 120, 1320, 1935, 255, IDC_OPT_FRAME1},
    {IDC_OPT_CHLOAD5, L"BUTTON", L"ブックマーク表示", kCheck, 120, 1680, 1935, 255, IDC_OPT_FRAME1},
    {IDC_OPT_FRAME2, L"BUTTON", L"終了時", kFrame, 2400, 120, 2175, 975},
    {IDC_OPT_CHUNLOAD1, L"BUTTON", L"挿入文章保持", kCheck, 120, 240, 1935, 255, IDC_OPT_FRAME2},
    {IDC_OPT_CHUNLOAD2, L"BUTTON", L"Window位置保持", kCheck, 120, 600, 1935, 255, IDC_OPT_FRAME2},
    {IDC_OPT_FRAME4, L"BUTTON", L"読込頻度", kFrame, 2400, 1200, 2175, 975},
    {IDC_OPT_LABEL1, L"STATIC", L"間隔", SS_LEFT, 120, 360, 495, 255, IDC_OPT_FRAME4},
    {IDC_OPT_INTERVAL, L"EDIT", L"1000", kEdit | ES_RIGHT | ES_NUMBER, 600, 310, 735, 270,
     IDC_OPT_FRAME4, WS_EX_CLIENTEDGE},
    {IDC_OPT_LABEL2, L"STATIC", L"※1000で約1秒", SS_LEFTNOWORDWRAP, 120, 600, 1215, 210,
     IDC_OPT_FRAME4},
    {IDC_OPT_FRAME3, L"BUTTON", L"表示", kFrame, 4680, 120, 3015, 2055},
    {IDC_OPT_PREVIEW, L"EDIT", kPreviewText,
     WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 120, 240, 1575, 1575,
     IDC_OPT_FRAME3, WS_EX_CLIENTEDGE},
    {IDC_OPT_FONT, L"BUTTON", L"フォント", kButton, 1800, 240, 975, 300, IDC_OPT_FRAME3},
    {IDC_OPT_FORECOLOR, L"BUTTON", L"文字色", kButton, 1800, 600, 975, 300, IDC_OPT_FRAME3},
    {IDC_OPT_BACKCOLOR, L"BUTTON", L"背景色", kButton, 1800, 960, 975, 300, IDC_OPT_FRAME3},
    {IDC_OPT_FRAME5, L"BUTTON", L"警告", kFrame, 120, 2280, 7575, 1935},
    {IDC_OPT_ALERT, L"BUTTON", L"指定文がある場合警告(動作が多少遅くなります)", kCheck, 120, 240,
     4095, 255, IDC_OPT_FRAME5},
    {IDC_OPT_FRAME6, L"BUTTON", L"", kFrame, 240, 480, 3855, 1335, IDC_OPT_FRAME5},
    {IDC_OPT_AOPT2, L"BUTTON", L"Windowを前面表示", kCheck | WS_DISABLED, 120, 240, 1815, 255,
     IDC_OPT_FRAME6},
    {IDC_OPT_AOPT3, L"BUTTON", L"WAVE再生", kCheck | WS_DISABLED, 120, 600, 1215, 255,
     IDC_OPT_FRAME6},
    {IDC_OPT_WAVE, L"EDIT", L"", kEdit | WS_DISABLED, 360, 960, 2775, 270, IDC_OPT_FRAME6,
     WS_EX_CLIENTEDGE},
    {IDC_OPT_WAVEBROWSE, L"BUTTON", L"参照", kButton | WS_DISABLED, 3120, 960, 615, 255,
     IDC_OPT_FRAME6},
    // Kept so that "Blink" has a control; it lies outside its frame and is never shown.
    {IDC_OPT_AOPT1, L"BUTTON", L"タイトルバー点滅", kCheck | WS_DISABLED, 120, 1560, 2175, 255,
     IDC_OPT_FRAME6, 0, true},
    {IDC_OPT_FRAME7, L"BUTTON", L"", kFrame, 4200, 0, 3255, 1935, IDC_OPT_FRAME5},
    {IDC_OPT_LABEL4, L"STATIC", L"警戒文は3つまで登録できます。", SS_LEFT, 120, 240, 3015, 255,
     IDC_OPT_FRAME7},
    {IDC_OPT_LABEL3, L"STATIC", L"警戒文１", SS_LEFT, 120, 660, 855, 255, IDC_OPT_FRAME7},
    {IDC_OPT_ALERT1, L"EDIT", L"", kEdit, 840, 600, 2295, 270, IDC_OPT_FRAME7, WS_EX_CLIENTEDGE},
    {IDC_OPT_LABEL5, L"STATIC", L"警戒文２", SS_LEFT, 120, 1080, 735, 255, IDC_OPT_FRAME7},
    {IDC_OPT_ALERT2, L"EDIT", L"", kEdit, 840, 1020, 2295, 270, IDC_OPT_FRAME7, WS_EX_CLIENTEDGE},
    {IDC_OPT_LABEL6, L"STATIC", L"警戒文３", SS_LEFT, 120, 1500, 735, 255, IDC_OPT_FRAME7},
    {IDC_OPT_ALERT3, L"EDIT", L"", kEdit, 840, 1440, 2295, 270, IDC_OPT_FRAME7, WS_EX_CLIENTEDGE},
    {IDC_OPT_APPLY, L"BUTTON", L"設定", kButton, 5640, 4320, 975, 375},
    {IDC_OPT_CANCEL, L"BUTTON", L"キャンセル", kButton, 6720, 4320, 975, 375},
};

// The controls that only make sense while notices are on.
constexpr int kNoticeOptions[] = {IDC_OPT_AOPT1, IDC_OPT_AOPT2, IDC_OPT_AOPT3, IDC_OPT_WAVE,
                                  IDC_OPT_WAVEBROWSE};

struct CheckSetting {
    int id;
    bool Settings::*field;
};
const CheckSetting kChecks[] = {
    {IDC_OPT_CHLOAD1, &Settings::LoadWindowSize}, {IDC_OPT_CHLOAD2, &Settings::LoadRightScroll},
    {IDC_OPT_CHLOAD3, &Settings::LoadWindowProc}, {IDC_OPT_CHLOAD4, &Settings::LoadFileSearch},
    {IDC_OPT_CHLOAD5, &Settings::LoadBookMark},   {IDC_OPT_CHUNLOAD1, &Settings::InsertText},
    {IDC_OPT_CHUNLOAD2, &Settings::WindowPos},    {IDC_OPT_ALERT, &Settings::Notice},
    {IDC_OPT_AOPT2, &Settings::NoticeWindowPos},  {IDC_OPT_AOPT3, &Settings::PlayWave},
};
constexpr int kAlertBoxes[] = {IDC_OPT_ALERT1, IDC_OPT_ALERT2, IDC_OPT_ALERT3};

// The box takes half-width digits only: switch the input method off for it. The call is
// looked up at run time so that the program does not need imm32 to start.
void TurnInputMethodOff(HWND control) {
    using AssociateFn = BOOL(WINAPI*)(HWND, HANDLE, DWORD);
    static const auto associate = [] {
        HMODULE imm = LoadLibraryW(L"imm32.dll");
        return imm ? reinterpret_cast<AssociateFn>(
                         reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContextEx")))
                   : nullptr;
    }();
    if (associate) associate(control, nullptr, 0);
}

// The pink note has a background of its own, so a cut-off last character shows: when the
// font in use is wider than the designed font, the note grows to its text.
void FitNoteToText(HWND note, HFONT font) {
    if (!note) return;
    const SIZE extent = TextExtent(note, font, ControlText(note));
    RECT r;
    GetClientRect(note, &r);
    if (extent.cx > r.right) {
        SetWindowPos(note, nullptr, 0, 0, extent.cx + 1, r.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

OptionsDialog::OptionsDialog(HWND owner, const Settings& settings, const DisplayState& display)
    : owner_(owner), settings_(settings), shown_(display) {}

bool OptionsDialog::Create() {
    const int dpi = WindowDpi(owner_);
    const SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, 0, false, dpi);
    const POINT at = CentredOn(owner_, size);
    return CreateWin({kOptionsClass}, 0, kStyle, kOptionsCaption, at.x, at.y, size.cx, size.cy,
                     owner_, nullptr) != nullptr;
}

std::optional<Settings> OptionsDialog::ShowModal() {
    if (!owner_ || !Create()) return std::nullopt;
    Fill();
    othersDisabled_.emplace(hwnd());
    ShowWindow(hwnd(), SW_SHOW);
    SetFocus(GetDlgItem(hwnd(), IDC_OPT_CHLOAD1));

    // When the program is ending the quit is left for the outer loop and the dialog closes as
    // a cancel.
    RunModalLoop(*this);
    if (exists()) Close();
    othersDisabled_.reset();  // also when the dialog went with its owner's destruction
    return confirmed_;
}

void OptionsDialog::OnActivate(UINT state, bool, HWND) {
    if (state == WA_INACTIVE) {
        focus_ = GetFocus();
    } else if (focus_ && IsChild(hwnd(), focus_)) {
        SetFocus(focus_);
    }
}

void OptionsDialog::OnCreate(const CREATESTRUCTW&) {
    dpi_ = WindowDpi(hwnd());
    RecreateFonts();
    CreateControls(hwnd(), kControls, dpi_, uiFont_.get());
    noteBrush_.reset(CreateSolidBrush(kNoteColor));
    FitNoteToText(GetDlgItem(hwnd(), IDC_OPT_LABEL2), uiFont_.get());
    HWND interval = GetDlgItem(hwnd(), IDC_OPT_INTERVAL);
    SendMessageW(interval, EM_LIMITTEXT, kIntervalMaxChars, 0);
    TurnInputMethodOff(interval);
}

void OptionsDialog::RecreateFonts() {
    // New fonts go to the controls before the old ones are deleted.
    UniqueFont ui = MakeUiFont(dpi_);
    for (HWND c = GetWindow(hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) != IDC_OPT_PREVIEW) {
            SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(ui.get()), TRUE);
        }
    }
    uiFont_ = std::move(ui);
    ApplyPreviewFont();
}

void OptionsDialog::ApplyPreviewFont() {
    UniqueFont font = MakeFont(shown_.strCurFontName.c_str(), shown_.lngCurFontSize * 10,
                               shown_.blnCurBold, shown_.blnCurItalic, dpi_, DEFAULT_CHARSET);
    HWND preview = GetDlgItem(hwnd(), IDC_OPT_PREVIEW);
    if (preview) SendMessageW(preview, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    previewFont_ = std::move(font);
}

void OptionsDialog::Fill() {
    const Settings& s = settings_;
    HWND h = hwnd();
    ApplyPreviewFont();

    for (const auto& c : kChecks) SetChecked(h, c.id, s.*c.field);
    SetControlText(h, IDC_OPT_INTERVAL, std::to_wstring(s.ReadInterval).c_str());
    for (int id : kNoticeOptions) EnableControl(h, id, s.Notice);
    if (!s.WaveFilePath.empty()) SetControlText(h, IDC_OPT_WAVE, s.WaveFilePath.c_str());
    for (size_t i = 0; i < 3; ++i) SetControlText(h, kAlertBoxes[i], s.NoticeString[i].c_str());
}

void OptionsDialog::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_OPT_ALERT:
            OnAlertClick();
            break;
        case IDC_OPT_WAVEBROWSE:
            OnWaveBrowse();
            break;
        case IDC_OPT_FONT:
            OnFont();
            break;
        case IDC_OPT_FORECOLOR:
            OnColor(&DisplayState::strCurForeColor, kDefaultForeColor);
            break;
        case IDC_OPT_BACKCOLOR:
            OnColor(&DisplayState::strCurBackColor, kDefaultBackColor);
            break;
        case IDC_OPT_APPLY:
            OnApply();
            break;
        case IDC_OPT_CANCEL:
        case IDCANCEL:  // Escape
            Close();
            break;
        default:
            break;
    }
}

void OptionsDialog::OnAlertClick() {
    // Only enabled or disabled: the checks and the path stay as the user left them.
    const bool on = IsChecked(hwnd(), IDC_OPT_ALERT);
    for (int id : kNoticeOptions) EnableControl(hwnd(), id, on);
}

void OptionsDialog::OnWaveBrowse() {
    // Owned by this dialog: an open dialog owned by the disabled main window would enable
    // it again as it closes, and the main window would take input under this dialog.
    std::wstring path = Ui().OpenFileDialog(hwnd(), L"*.wav");
    path.resize(wcslen(path.c_str()));
    if (path.empty()) return;  // cancelled: the path the box held is kept
    SetControlText(hwnd(), IDC_OPT_WAVE, path.c_str());
}

void OptionsDialog::OnFont() {
    FontChoice chosen{shown_.strCurFontName, shown_.lngCurFontSize, shown_.blnCurBold,
                      shown_.blnCurItalic};
    if (!Ui().FontDialog(hwnd(), chosen)) return;
    shown_.strCurFontName = std::move(chosen.name);
    shown_.lngCurFontSize = chosen.size;
    shown_.blnCurBold = chosen.bold;
    shown_.blnCurItalic = chosen.italic;
    ApplyPreviewFont();
}

void OptionsDialog::OnColor(std::wstring DisplayState::*color, COLORREF fallback) {
    const auto chosen = Ui().ColorDialog(hwnd(), ColorFromText(shown_.*color, fallback));
    if (!chosen) return;
    shown_.*color = ColorToText(*chosen);
    InvalidateRect(GetDlgItem(hwnd(), IDC_OPT_PREVIEW), nullptr, TRUE);
}

void OptionsDialog::OnApply() {
    HWND h = hwnd();
    const auto interval = ParseReadInterval(ControlText(h, IDC_OPT_INTERVAL));
    if (!interval) {
        Ui().Message(h, kIntervalRefused, kErrorTitle, MB_OK | MB_ICONERROR);
        HWND box = GetDlgItem(h, IDC_OPT_INTERVAL);
        SetFocus(box);
        SendMessageW(box, EM_SETSEL, 0, -1);
        return;
    }

    Settings s = SettingsWithDisplay(settings_, shown_);
    for (const auto& c : kChecks) s.*c.field = IsChecked(h, c.id);
    s.Blink = IsChecked(h, IDC_OPT_AOPT1);
    s.ReadInterval = *interval;
    s.WaveFilePath = ControlText(h, IDC_OPT_WAVE);
    for (size_t i = 0; i < 3; ++i) s.NoticeString[i] = ControlText(h, kAlertBoxes[i]);
    confirmed_ = std::move(s);
    Close();
}

void OptionsDialog::Close() {
    // The other windows are enabled before the dialog goes, so that the activation returns
    // to its owner and not to some other program's window.
    othersDisabled_.reset();
    DestroyWindow(hwnd());
}

void OptionsDialog::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    LayoutControls(hwnd(), kControls, dpi_);
    RecreateFonts();
    FitNoteToText(GetDlgItem(hwnd(), IDC_OPT_LABEL2), uiFont_.get());
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HBRUSH OptionsDialog::OnCtlColor(UINT msg, HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == IDC_OPT_PREVIEW) {
        const COLORREF back = ColorFromText(shown_.strCurBackColor, kDefaultBackColor);
        SetTextColor(dc, ColorFromText(shown_.strCurForeColor, kDefaultForeColor));
        SetBkColor(dc, back);
        if (!previewBrush_ || previewBrushColor_ != back) {
            previewBrush_.reset(CreateSolidBrush(back));
            previewBrushColor_ = back;
        }
        return previewBrush_.get();
    }
    if (id == IDC_OPT_LABEL2) {
        SetBkColor(dc, kNoteColor);
        return noteBrush_.get();
    }
    return Window::OnCtlColor(msg, dc, control);
}

}  // namespace zr
