#include "settings/display_state.h"

namespace zr {

DisplayState DisplayFromSettings(const Settings& settings) {
    return DisplayState{settings.FontName, settings.FontSize,  settings.Bold,
                        settings.Italic,   settings.ForeColor, settings.BackColor};
}

Settings SettingsWithDisplay(Settings settings, const DisplayState& display) {
    settings.FontName = display.strCurFontName;
    settings.FontSize = display.lngCurFontSize;
    settings.Bold = display.blnCurBold;
    settings.Italic = display.blnCurItalic;
    settings.ForeColor = display.strCurForeColor;
    settings.BackColor = display.strCurBackColor;
    return settings;
}

}  // namespace zr
