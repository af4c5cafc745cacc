// The About box: product name and the version read from the program's version record. It
// is modeless and kept in the topmost band by the main window.
#pragma once
#include <optional>

#include "about/version_text.h"
#include "common/handles_win.h"
#include "common/window_win.h"

namespace zr {

enum AboutControlId : int {
    IDC_ABOUT_COMMAND1 = 500,  // "閉じる", first in the tab order
    IDC_PICTURE1,
    IDC_ABOUT_LABEL1,
    IDC_LINE1,
};

inline constexpr wchar_t kAboutCaption[] = L"バージョン情報";
inline constexpr wchar_t kProductName[] = L"Zororuv";

// The file version of the running program's own version record, if it has one.
std::optional<ProgramVersion> ReadOwnVersion();

class AboutWindow final : public Window {
  public:
    // Creates the window hidden and builds the version text; the caller shows it.
    bool Create();

  private:
    void OnCreate(const CREATESTRUCTW& create) override;
    void OnCommand(int id, int code, HWND control) override;
    // The close button takes the focus whenever the box is brought up.
    void OnActivate(UINT state, bool minimized, HWND other) override;
    void OnSetFocus(HWND previous) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;
    void ApplyFontsAndIcon();

    int dpi_ = 96;
    UniqueFont uiFont_;
    UniqueFont labelFont_;
};

}  // namespace zr
