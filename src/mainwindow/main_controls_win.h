// The main window's controls: their ids and their designed geometry, one table that both
// creates them and lays them out.
#pragma once
#include <windows.h>

#include <span>

#include "common/controls_win.h"

namespace zr {

enum MainControlId : int {
    IDC_LABEL2 = 100,
    IDC_TEXT1,
    IDC_LABEL1,
    IDC_RICHTEXT,
    IDC_COMMAND1,
    IDC_COMMAND2,
    IDC_COMMAND3,
    IDC_COMMAND4,
    IDC_COMMAND5,
};

inline constexpr wchar_t kMainCaption[] = L"Zororuv";
// The designed client area, in twips.
inline constexpr int kMainClientWidth = 6855;
inline constexpr int kMainClientHeight = 2895;

// The controls in tab order.
std::span<const ControlSpec> MainControls();
const ControlSpec& MainControl(int id);

}  // namespace zr
