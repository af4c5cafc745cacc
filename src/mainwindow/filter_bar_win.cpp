#include "mainwindow/filter_bar_win.h"

#include <algorithm>

#include "common/controls_win.h"
#include "common/twips.h"

namespace zr {

namespace {

// How long typing must pause before the filter applies: a scan of a large log starts anew at
// every change.
constexpr UINT kPauseMs = 400;

// Widths in twips, left to right. The query box takes what the others leave of the bar's
// width, at least kMinTextWidth, so that the switches keep their captions whole.
struct BarControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int width;
    DWORD exStyle;
};
const BarControl kBar[] = {
    {IDC_FILTER_TEXT, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 0, WS_EX_CLIENTEDGE},
    {IDC_FILTER_MODE, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 720, 0},
    {IDC_FILTER_CASE, L"BUTTON", L"大小無視", WS_TABSTOP | BS_AUTOCHECKBOX, 1080, 0},
    {IDC_FILTER_WIDTH, L"BUTTON", L"全半無視", WS_TABSTOP | BS_AUTOCHECKBOX, 1080, 0},
    {IDC_FILTER_KANA, L"BUTTON", L"かな無視", WS_TABSTOP | BS_AUTOCHECKBOX, 1080, 0},
};
constexpr int kGap = 60;
constexpr int kMinTextWidth = 1200;

}  // namespace

void FilterBar::Create(int dpi, HFONT font) {
    for (const BarControl& c : kBar) {
        HWND control = CreateWindowExW(c.exStyle, c.className, c.text, WS_CHILD | c.style, 0, 0,
                                       TwipsToPixels(std::max(c.width, kMinTextWidth), dpi),
                                       TwipsToPixels(270, dpi), owner_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    HWND mode = GetDlgItem(owner_, IDC_FILTER_MODE);
    SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"含む"));
    SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"除く"));
    SendMessageW(mode, CB_SETCURSEL, 0, 0);
    // As the matcher's defaults: case and width ignored, kana told apart.
    const MatchOptions defaults;
    CheckDlgButton(owner_, IDC_FILTER_CASE, defaults.ignoreCase ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(owner_, IDC_FILTER_WIDTH, defaults.ignoreWidth ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(owner_, IDC_FILTER_KANA, defaults.ignoreKana ? BST_CHECKED : BST_UNCHECKED);
}

void FilterBar::Show(bool show) {
    shown_ = show;
    for (const BarControl& c : kBar) ShowWindow(GetDlgItem(owner_, c.id), show ? SW_SHOW : SW_HIDE);
    if (show) {
        SetFocus(GetDlgItem(owner_, IDC_FILTER_TEXT));
        Apply();
    } else {
        KillTimer(owner_, kFilterTimer);
        view_.SetFilter(nullptr, nullptr);
        filtered_.reset();
    }
}

void FilterBar::Place(int left, int top, int width, int dpi) {
    int others = 0;
    for (const BarControl& c : kBar) others += c.width == 0 ? 0 : kGap + c.width;
    int x = left;
    for (const BarControl& c : kBar) {
        const int wide = c.width == 0 ? std::max(TwipsToPixels(kMinTextWidth, dpi),
                                                 width - TwipsToPixels(others, dpi))
                                      : TwipsToPixels(c.width, dpi);
        // Past the bar's right edge a control is cut, not pushed over the buttons beside it.
        const int w = std::max(0, std::min(wide, left + width - x));
        // A drop-down list is as high as its list when it opens.
        const int h = TwipsToPixels(c.id == IDC_FILTER_MODE ? 1200 : 300, dpi);
        SetWindowPos(GetDlgItem(owner_, c.id), nullptr, x, top, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        x += wide + TwipsToPixels(kGap, dpi);
    }
}

bool FilterBar::OnCommand(int id, int code) {
    const bool change =
        (id == IDC_FILTER_TEXT && code == EN_CHANGE) ||
        (id == IDC_FILTER_MODE && code == CBN_SELCHANGE) ||
        ((id == IDC_FILTER_CASE || id == IDC_FILTER_WIDTH || id == IDC_FILTER_KANA) &&
         code == BN_CLICKED);
    if (!change && id != IDC_FILTER_TEXT && id != IDC_FILTER_MODE) return false;
    if (change && shown_) SetTimer(owner_, kFilterTimer, kPauseMs, nullptr);
    return true;
}

void FilterBar::OnTimer() {
    KillTimer(owner_, kFilterTimer);
    if (shown_) Apply();
}

void FilterBar::Apply() {
    MatchOptions options;
    options.ignoreCase = IsDlgButtonChecked(owner_, IDC_FILTER_CASE) == BST_CHECKED;
    options.ignoreWidth = IsDlgButtonChecked(owner_, IDC_FILTER_WIDTH) == BST_CHECKED;
    options.ignoreKana = IsDlgButtonChecked(owner_, IDC_FILTER_KANA) == BST_CHECKED;
    const bool exclude = SendDlgItemMessageW(owner_, IDC_FILTER_MODE, CB_GETCURSEL, 0, 0) == 1;
    LineFilter filter(ControlText(owner_, IDC_FILTER_TEXT), options, exclude);
    // An empty box shows the whole log.
    auto next = filter.Empty() ? nullptr : std::make_unique<FilteredText>(pass_, std::move(filter));
    view_.SetFilter(next.get(), next ? &next->Filter() : nullptr);
    filtered_ = std::move(next);
}

}  // namespace zr
