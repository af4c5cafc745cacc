// The filter bar above the display: a query, whether the lines that match are shown (含む) or
// hidden (除く), and what the match ignores. It applies as the user types, after a short
// pause, to the whole log.
#pragma once
#include <windows.h>

#include <memory>

#include "mainwindow/filtered_text_win.h"
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/log_view_win.h"

namespace zr {

enum FilterControlId : int {
    IDC_FILTER_TEXT = 150,
    IDC_FILTER_MODE,
    IDC_FILTER_CASE,
    IDC_FILTER_WIDTH,
    IDC_FILTER_KANA,
};

inline constexpr UINT_PTR kFilterTimer = 2;
// The bar's height in twips, which the display gives up while it is shown.
inline constexpr int kFilterBarHeight = 360;

class FilterBar {
  public:
    FilterBar(HWND owner, LogView& view, FollowPass& pass)
        : owner_(owner), view_(view), pass_(pass) {}

    // Makes the bar's controls, hidden, at the owner's DPI with its font.
    void Create(int dpi, HFONT font);
    bool Shown() const { return shown_; }
    // Shows the bar (the filter in its box applies again) or hides it (every line again).
    void Show(bool show);
    // Lays the bar out over the top of the display's place, in pixels.
    void Place(int left, int top, int width, int dpi);
    // The bar's controls tell of a change: the filter applies after a pause; true when the
    // command was the bar's.
    bool OnCommand(int id, int code);
    void OnTimer();

  private:
    void Apply();

    HWND owner_;
    LogView& view_;
    FollowPass& pass_;
    bool shown_ = false;
    std::unique_ptr<FilteredText> filtered_;
};

}  // namespace zr
