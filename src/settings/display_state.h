// Font and colours actually applied to the log display, as distinct from the stored settings:
// the options dialog shows them and hands back new ones, the main window applies them. Until
// settings reach it the display has the settings table's defaults.
#pragma once
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace zr {

struct DisplayState {
    std::wstring strCurFontName = kDefaultFontName;
    int32_t lngCurFontSize = kDefaultFontSize;
    bool blnCurBold = false;
    bool blnCurItalic = false;
    std::wstring strCurForeColor = ColorToText(kDefaultForeColor);  // decimal text of a COLORREF
    std::wstring strCurBackColor = ColorToText(kDefaultBackColor);
    bool operator==(const DisplayState&) const = default;
};

// The one conversion between the two, either way: the display takes the stored font and
// colours, and the settings take the display's, every other setting as it was.
DisplayState DisplayFromSettings(const Settings& settings);
Settings SettingsWithDisplay(Settings settings, const DisplayState& display);

}  // namespace zr
