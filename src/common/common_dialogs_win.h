// The system's open, font and colour dialogs, one call each. Windows reach them through
// the UI seam (common/ui_seam_win.h), never directly.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "common/ui_seam_win.h"

namespace zr {

inline constexpr wchar_t kOpenDialogTitle[] = L"ファイルを開く";

// The chosen full path, or "" when the user cancels or the dialog fails.
std::wstring ShowOpenDialog(HWND owner, const std::wstring& pattern);
// Starts on `font`; on confirmation writes the choice into it and returns true.
bool ShowFontDialog(HWND owner, FontChoice& font);
// The chosen colour, or nothing when cancelled. Starts with sixteen white custom colours.
std::optional<COLORREF> ShowColorDialog(HWND owner, COLORREF initial);

}  // namespace zr
