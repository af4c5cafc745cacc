#include "common/common_dialogs_win.h"

#include <commdlg.h>

#include <array>
#include <vector>

#include "common/controls_win.h"
#include "common/font_units.h"
#include "common/window_win.h"

namespace zr {

std::wstring ShowOpenDialog(HWND owner, const std::wstring& pattern) {
    // Room for the longest path the platform accepts (\\?\ paths reach 32,767 characters).
    std::vector<wchar_t> file(32768, L'\0');
    // Filter: display text NUL pattern NUL NUL.
    std::wstring filter = pattern;
    filter.push_back(L'\0');
    filter += pattern;
    filter.push_back(L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.hInstance = AppInstance();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = kOpenDialogTitle;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&ofn)) return {};
    return std::wstring(file.data());
}

bool ShowFontDialog(HWND owner, FontChoice& font) {
    const int dpi = WindowDpi(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = PointsToFontHeight(font.size, dpi);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lstrcpynW(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);

    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = owner;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE;
    cf.nSizeMin = 8;
    cf.nSizeMax = 24;
    if (!ChooseFontW(&cf)) return false;

    font.name = lf.lfFaceName;
    font.size = FontHeightToPoints(lf.lfHeight, dpi);
    font.bold = IsBoldWeight(lf.lfWeight);
    font.italic = lf.lfItalic != 0;
    return true;
}

std::optional<COLORREF> ShowColorDialog(HWND owner, COLORREF initial) {
    // Custom colours are not kept between calls: every dialog starts with sixteen white ones.
    std::array<COLORREF, 16> custom;
    custom.fill(RGB(255, 255, 255));
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = initial;
    cc.lpCustColors = custom.data();
    cc.Flags = CC_RGBINIT;
    if (!ChooseColorW(&cc)) return std::nullopt;
    return cc.rgbResult;
}

}  // namespace zr
