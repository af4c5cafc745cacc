// The system's open, folder, font and colour dialogs, one call each. Windows reach them through
// the UI seam (common/ui_seam_win.h), never directly.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "common/ui_seam_win.h"

namespace zr {

inline constexpr wchar_t kOpenDialogTitle[] = L"ファイルを開く";
inline constexpr wchar_t kFolderDialogTitle[] = L"フォルダーの選択";

// The chosen full path, or "" when the user cancels or the dialog fails.
std::wstring ShowOpenDialog(HWND owner, const std::wstring& pattern);
// The chosen folder's path, or nothing when the user cancels or the dialog cannot be shown.
// Starts in `initial` when that names a folder.
std::optional<std::wstring> ShowFolderDialog(HWND owner, const std::wstring& initial);
// Starts on `font`; on confirmation writes the choice into it and returns true.
bool ShowFontDialog(HWND owner, FontChoice& font);
// The chosen colour, or nothing when cancelled. Starts with sixteen white custom colours.
std::optional<COLORREF> ShowColorDialog(HWND owner, COLORREF initial);

}  // namespace zr
