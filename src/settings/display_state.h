// Font and colours actually applied to the log display, as distinct from the stored settings:
// the options dialog shows them and hands back new ones, the main window applies them.
#pragma once
#include <cstdint>
#include <string>

namespace zr {

struct DisplayState {
    std::wstring strCurFontName;
    int32_t lngCurFontSize = 9;
    bool blnCurBold = false;
    bool blnCurItalic = false;
    std::wstring strCurForeColor = L"0";  // decimal text of a COLORREF
    std::wstring strCurBackColor = L"16777215";
    bool operator==(const DisplayState&) const = default;
};

}  // namespace zr
