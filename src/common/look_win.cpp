#include "common/look_win.h"

#include "common/twips.h"

namespace zr {

UniqueFont MakeFont(const wchar_t* face, int tenthsOfPoint, bool bold, bool italic, int dpi,
                    BYTE charset) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDivRound(tenthsOfPoint, dpi, 720);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfCharSet = charset;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&lf));
}

UniqueFont MakeUiFont(int dpi) {
    return MakeFont(kUiFontFace, 90, false, false, dpi);
}

UniqueFont MakeStatusFont(int dpi) {
    return MakeFont(kUiFontFace, 98, true, false, dpi);
}

SIZE TextExtent(HWND window, HFONT font, std::wstring_view text) {
    SIZE extent{};
    WindowDc dc(window);
    if (!dc) return extent;
    SelectedObject selected(dc.get(), font);
    GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &extent);
    return extent;
}

}  // namespace zr
