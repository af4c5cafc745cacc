// The program's look in one place: the fonts its windows make, and the pink of the notes
// (the main window's status box, the options dialog's hint), so that every window that shows
// one of them shows the same.
#pragma once
#include <windows.h>

#include <string_view>

#include "common/handles_win.h"

namespace zr {

inline constexpr wchar_t kUiFontFace[] = L"ＭＳ Ｐゴシック";
inline constexpr COLORREF kNoteColor = RGB(255, 192, 192);

// A font of tenthsOfPoint / 10 points at the given DPI.
UniqueFont MakeFont(const wchar_t* face, int tenthsOfPoint, bool bold, bool italic, int dpi,
                    BYTE charset = SHIFTJIS_CHARSET);
// What every window's controls are written in: ＭＳ Ｐゴシック at 9 points.
UniqueFont MakeUiFont(int dpi);
// The status box's font, which the About box's product name shares: ＭＳ Ｐゴシック bold at
// 9.75 points, to the tenth.
UniqueFont MakeStatusFont(int dpi);
// The size `text` takes in `font` as `window` draws it.
SIZE TextExtent(HWND window, HFONT font, std::wstring_view text);

}  // namespace zr
