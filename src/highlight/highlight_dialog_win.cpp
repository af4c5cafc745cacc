#include "highlight/highlight_dialog_win.h"

#include <algorithm>
#include <utility>

#include "common/controls_win.h"
#include "common/list_box_win.h"
#include "common/modal_win.h"
#include "common/ui_seam_win.h"
#include "highlight/highlight_store_win.h"
#include "highlight/rule_store.h"

namespace zr {

namespace {

// Fixed border, no minimise or maximise box; owned by the main window, so no task bar button.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kClientWidth = 7200;
constexpr int kClientHeight = 5175;

constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;

// Designed geometry in twips, in tab order; the editor's controls relative to its frame.
const ControlSpec kControls[] = {
    {IDC_HL_LIST, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 120,
     120, 5655, 2040, 0, WS_EX_CLIENTEDGE},
    {IDC_HL_UP, L"BUTTON", L"上へ", kButton, 5895, 120, 1185, 375},
    {IDC_HL_DOWN, L"BUTTON", L"下へ", kButton, 5895, 555, 1185, 375},
    {IDC_HL_DELETE, L"BUTTON", L"削除", kButton, 5895, 990, 1185, 375},
    {IDC_HL_FRAME, L"BUTTON", L"規則", BS_GROUPBOX, 120, 2280, 6960, 2220},
    {IDC_HL_TERM_LABEL, L"STATIC", L"文字列", SS_LEFT, 120, 330, 735, 255, IDC_HL_FRAME},
    {IDC_HL_TERM, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 840, 280, 5985, 300, IDC_HL_FRAME,
     WS_EX_CLIENTEDGE},
    {IDC_HL_CASE, L"BUTTON", L"大文字と小文字を区別しない", kCheck, 120, 720, 3375, 255,
     IDC_HL_FRAME},
    {IDC_HL_WIDTH, L"BUTTON", L"全角と半角を区別しない", kCheck, 120, 1040, 3375, 255,
     IDC_HL_FRAME},
    {IDC_HL_KANA, L"BUTTON", L"ひらがなとカタカナを区別しない", kCheck, 120, 1360, 3375, 255,
     IDC_HL_FRAME},
    {IDC_HL_WHOLE_LINE, L"BUTTON", L"行全体", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 120, 1760,
     1335, 255, IDC_HL_FRAME},
    {IDC_HL_MATCHED_TEXT, L"BUTTON", L"一致部分のみ", BS_AUTORADIOBUTTON, 1560, 1760, 1815, 255,
     IDC_HL_FRAME},
    {IDC_HL_FORE, L"BUTTON", L"文字色...", kButton | WS_GROUP, 3600, 700, 1215, 330, IDC_HL_FRAME},
    {IDC_HL_BACK, L"BUTTON", L"背景色...", kButton, 3600, 1100, 1215, 330, IDC_HL_FRAME},
    {IDC_HL_PREVIEW, L"STATIC", L"ERROR エラー", SS_CENTER | SS_CENTERIMAGE, 4935, 700, 1890, 730,
     IDC_HL_FRAME, WS_EX_CLIENTEDGE},
    {IDC_HL_ADD, L"BUTTON", L"追加", kButton, 3600, 1700, 1515, 375, IDC_HL_FRAME},
    {IDC_HL_CHANGE, L"BUTTON", L"変更", kButton, 5310, 1700, 1515, 375, IDC_HL_FRAME},
    {IDC_HL_OK, L"BUTTON", L"OK", kButton, 4680, 4680, 1095, 375},
    {IDC_HL_CANCEL, L"BUTTON", L"キャンセル", kButton, 5985, 4680, 1095, 375},
};

struct SwitchBox {
    int id;
    bool MatchOptions::*field;
    const wchar_t* shortForm;  // in the list, when the difference is ignored
};
constexpr SwitchBox kSwitchBoxes[] = {{IDC_HL_CASE, &MatchOptions::ignoreCase, L" Aa"},
                                      {IDC_HL_WIDTH, &MatchOptions::ignoreWidth, L" 全半"},
                                      {IDC_HL_KANA, &MatchOptions::ignoreKana, L" あア"}};

}  // namespace

bool HighlightDialog::Run(HWND owner, std::vector<HighlightRule>& rules) {
    HighlightDialog dialog(owner, rules);
    if (!owner || !dialog.Create()) return false;
    dialog.othersDisabled_.emplace(dialog.hwnd());
    ShowWindow(dialog.hwnd(), SW_SHOW);
    SetFocus(dialog.List());
    RunModalLoop(dialog);
    if (dialog.exists()) dialog.Close();
    dialog.othersDisabled_.reset();  // also when the dialog went with its owner
    if (!dialog.confirmed_) return false;
    rules = std::move(dialog.rules_);
    return true;
}

std::wstring HighlightDialog::ListText(const HighlightRule& rule) {
    std::wstring text = rule.term + (rule.wholeLine ? L"  [行" : L"  [一致");
    for (const SwitchBox& s : kSwitchBoxes) {
        if (rule.options.*s.field) text += s.shortForm;
    }
    return text + L']';
}

bool HighlightDialog::Create() {
    const int dpi = WindowDpi(owner_);
    const SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, 0, false, dpi);
    const POINT at = CentredOn(owner_, size);
    return CreateWin({kHighlightClass}, 0, kStyle, kHighlightCaption, at.x, at.y, size.cx, size.cy,
                     owner_, nullptr) != nullptr;
}

void HighlightDialog::OnCreate(const CREATESTRUCTW&) {
    uiFont_ = MakeUiFont(WindowDpi(hwnd()));
    CreateControls(hwnd(), kControls, WindowDpi(hwnd()), uiFont_.get());
    // A term is a few words; a whole log pasted by mistake would be tried on every line shown.
    SendMessageW(Control(IDC_HL_TERM), EM_LIMITTEXT, 1000, 0);
    for (size_t i = 0; i < rules_.size(); ++i) PutItem(static_cast<int>(i), false);
    Show({L"", {}, kNewRuleFore, kNewRuleBack, false});
    UpdateButtons();
}

int HighlightDialog::Selected() const {
    const int index = ListSelection(List());
    return index < static_cast<int>(rules_.size()) ? index : -1;
}

void HighlightDialog::Show(const HighlightRule& rule) {
    SetControlText(hwnd(), IDC_HL_TERM, rule.term.c_str());
    for (const SwitchBox& s : kSwitchBoxes) SetChecked(hwnd(), s.id, rule.options.*s.field);
    SetChecked(hwnd(), IDC_HL_WHOLE_LINE, rule.wholeLine);
    SetChecked(hwnd(), IDC_HL_MATCHED_TEXT, !rule.wholeLine);
    fore_ = rule.fore;
    back_ = rule.back;
    InvalidateRect(Control(IDC_HL_PREVIEW), nullptr, TRUE);
}

std::optional<HighlightRule> HighlightDialog::Edited() {
    HighlightRule rule{
        ControlText(hwnd(), IDC_HL_TERM), {}, fore_, back_, IsChecked(hwnd(), IDC_HL_WHOLE_LINE)};
    for (const SwitchBox& s : kSwitchBoxes) rule.options.*s.field = IsChecked(hwnd(), s.id);
    if (Matcher(rule.term).Empty()) {
        ShowError(hwnd(), kHighlightNoTerm);
        SetFocus(Control(IDC_HL_TERM));
        return std::nullopt;
    }
    return rule;
}

void HighlightDialog::PutItem(int index, bool replace) {
    const std::wstring text = ListText(rules_[static_cast<size_t>(index)]);
    if (replace) ListDelete(List(), index);
    SendMessageW(List(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

void HighlightDialog::Select(int index) {
    ListSelect(List(), index);
    if (index >= 0) Show(rules_[static_cast<size_t>(index)]);
    UpdateButtons();
}

void HighlightDialog::UpdateButtons() {
    const int selected = Selected();
    const int count = static_cast<int>(rules_.size());
    EnableControl(hwnd(), IDC_HL_UP, selected > 0);
    EnableControl(hwnd(), IDC_HL_DOWN, selected >= 0 && selected + 1 < count);
    EnableControl(hwnd(), IDC_HL_DELETE, selected >= 0);
    EnableControl(hwnd(), IDC_HL_CHANGE, selected >= 0);
    EnableControl(hwnd(), IDC_HL_ADD, count < kMaxHighlightRules);
    // A button pressed to its end of the list goes grey; the keys must still reach something.
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd(), focus) && !IsWindowEnabled(focus)) SetFocus(List());
}

void HighlightDialog::OnCommand(int id, int code, HWND) {
    if (id == IDC_HL_LIST) {
        if (code == LBN_SELCHANGE) Select(Selected());
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_HL_ADD:
            OnAdd();
            break;
        case IDC_HL_CHANGE:
            OnChange();
            break;
        case IDC_HL_DELETE:
            OnDelete();
            break;
        case IDC_HL_UP:
            OnMove(-1);
            break;
        case IDC_HL_DOWN:
            OnMove(1);
            break;
        case IDC_HL_FORE:
            OnColor(fore_);
            break;
        case IDC_HL_BACK:
            OnColor(back_);
            break;
        case IDC_HL_OK:
            OnOk();
            break;
        case IDC_HL_CANCEL:
        case IDCANCEL:  // Escape
            Close();
            break;
        default:
            break;
    }
}

void HighlightDialog::OnAdd() {
    if (static_cast<int>(rules_.size()) >= kMaxHighlightRules) return;
    std::optional<HighlightRule> rule = Edited();
    if (!rule) return;
    rules_.push_back(std::move(*rule));
    const int index = static_cast<int>(rules_.size()) - 1;
    PutItem(index, false);
    Select(index);
}

void HighlightDialog::OnChange() {
    const int index = Selected();
    if (index < 0) return;
    std::optional<HighlightRule> rule = Edited();
    if (!rule) return;
    rules_[static_cast<size_t>(index)] = std::move(*rule);
    PutItem(index, true);
    Select(index);
}

void HighlightDialog::OnDelete() {
    const int index = Selected();
    if (index < 0) return;
    rules_.erase(rules_.begin() + index);
    ListDelete(List(), index);
    // The rule after it takes its place, as the list shows it; the last gives way to the one
    // before.
    Select(std::min(index, static_cast<int>(rules_.size()) - 1));
}

void HighlightDialog::OnMove(int by) {
    const int index = Selected();
    const int to = index + by;
    if (index < 0 || to < 0 || to >= static_cast<int>(rules_.size())) return;
    std::swap(rules_[static_cast<size_t>(index)], rules_[static_cast<size_t>(to)]);
    PutItem(index, true);
    PutItem(to, true);
    Select(to);
}

void HighlightDialog::OnColor(uint32_t& color) {
    // Owned by this dialog: one owned by the disabled main window would enable it as it closes.
    const auto chosen = Ui().ColorDialog(hwnd(), color);
    if (!chosen) return;
    color = *chosen & 0xFFFFFF;
    InvalidateRect(Control(IDC_HL_PREVIEW), nullptr, TRUE);
}

void HighlightDialog::OnOk() {
    // Kept for this run even when the registry refuses them; the failure is told once.
    StoreHighlightRules(rules_, hwnd());
    confirmed_ = true;
    Close();
}

void HighlightDialog::Close() {
    // The other windows are enabled before the dialog goes, so that the activation returns
    // to its owner and not to some other program's window.
    othersDisabled_.reset();
    DestroyWindow(hwnd());
}

void HighlightDialog::OnActivate(UINT state, bool, HWND) {
    if (state == WA_INACTIVE) {
        focus_ = GetFocus();
    } else if (focus_ && IsChild(hwnd(), focus_)) {
        SetFocus(focus_);
    }
}

void HighlightDialog::OnDpiChanged(int dpi, const RECT& suggested) {
    RescaleFixedWindow(hwnd(), kControls, dpi, uiFont_, kClientWidth, kClientHeight, suggested);
}

HBRUSH HighlightDialog::OnCtlColor(UINT msg, HDC dc, HWND control) {
    if (GetDlgCtrlID(control) != IDC_HL_PREVIEW) return Window::OnCtlColor(msg, dc, control);
    SetTextColor(dc, fore_);
    SetBkColor(dc, back_);
    if (!previewBrush_ || previewBrushColor_ != back_) {
        previewBrush_.reset(CreateSolidBrush(back_));
        previewBrushColor_ = back_;
    }
    return previewBrush_.get();
}

}  // namespace zr
