// The options dialog: every setting in one modal window. It works on copies of the settings
// and of the display state and hands back what the user confirmed with "設定"; its owner
// stores and applies that. "キャンセル", Escape and the close box hand back nothing, so the
// settings, the registry and the display stay exactly as they were, a font or colour chosen
// meanwhile included.
#pragma once
#include <windows.h>

#include <optional>

#include "common/handles_win.h"
#include "common/ui_seam_win.h"
#include "common/window_win.h"
#include "settings/display_state.h"
#include "settings/settings.h"

namespace zr {

enum OptionControlId : int {
    IDC_OPT_FRAME1 = 300,  // 起動時
    IDC_OPT_CHLOAD1,
    IDC_OPT_CHLOAD2,
    IDC_OPT_CHLOAD3,
    IDC_OPT_CHLOAD4,
    IDC_OPT_CHLOAD5,
    IDC_OPT_FRAME2,  // 終了時
    IDC_OPT_CHUNLOAD1,
    IDC_OPT_CHUNLOAD2,
    IDC_OPT_FRAME4,  // 読込頻度
    IDC_OPT_LABEL1,
    IDC_OPT_INTERVAL,
    IDC_OPT_LABEL2,
    IDC_OPT_FRAME3,  // 表示
    IDC_OPT_PREVIEW,
    IDC_OPT_FONT,
    IDC_OPT_FORECOLOR,
    IDC_OPT_BACKCOLOR,
    IDC_OPT_FRAME5,  // 警告
    IDC_OPT_ALERT,
    IDC_OPT_FRAME6,
    IDC_OPT_AOPT2,
    IDC_OPT_AOPT3,
    IDC_OPT_WAVE,
    IDC_OPT_WAVEBROWSE,
    IDC_OPT_AOPT1,
    IDC_OPT_FRAME7,
    IDC_OPT_LABEL4,
    IDC_OPT_LABEL3,
    IDC_OPT_ALERT1,
    IDC_OPT_LABEL5,
    IDC_OPT_ALERT2,
    IDC_OPT_LABEL6,
    IDC_OPT_ALERT3,
    IDC_OPT_APPLY,
    IDC_OPT_CANCEL,
};

inline constexpr wchar_t kOptionsClass[] = L"ZororuvOptions";
inline constexpr wchar_t kOptionsCaption[] = L" 動作設定";
inline constexpr wchar_t kPreviewText[] = L"あいうえお\r\n123456789\r\nabcdefghij\r\nABCDEFG\r\n";
inline constexpr wchar_t kIntervalRefused[] =
    L"読込間隔には 1 から 99999 までの整数を入力してください。";

class OptionsDialog final : public Window {
  public:
    // The controls show `settings`; the preview shows the font and colours of `display`.
    OptionsDialog(HWND owner, const Settings& settings, const DisplayState& display);

    // Shows the dialog centred on its owner; every other window of the program takes no
    // input until it closes. The settings confirmed with "設定", or nothing.
    std::optional<Settings> ShowModal();

  private:
    bool Create();
    void OnCreate(const CREATESTRUCTW& create) override;
    void OnCommand(int id, int code, HWND control) override;
    HBRUSH OnCtlColor(UINT msg, HDC dc, HWND control) override;
    // The dialog keeps the focus where the user left it when it is reactivated.
    void OnActivate(UINT state, bool minimized, HWND other) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;
    void OnClose() override { Close(); }
    void Fill();
    void OnAlertClick();
    void OnWaveBrowse();
    void OnFont();
    void OnColor(std::wstring DisplayState::*color, COLORREF fallback);
    void OnApply();
    void Close();
    void RecreateFonts();
    void ApplyPreviewFont();

    HWND owner_;
    Settings settings_;
    std::optional<Settings> confirmed_;
    std::optional<OtherWindowsDisabled> othersDisabled_;
    int dpi_ = 96;
    HWND focus_ = nullptr;  // the control to give the focus back to on reactivation
    // What the preview shows; it reaches the settings and the display only through "設定".
    DisplayState shown_;
    UniqueFont uiFont_;
    UniqueFont previewFont_;
    UniqueBrush previewBrush_;
    COLORREF previewBrushColor_ = 0;
    UniqueBrush noteBrush_;
};

}  // namespace zr
