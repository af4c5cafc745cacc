// The dialog "フォルダーの最新ファイル": a folder and a pattern of file names in it, whose
// newest match the main window then follows, and whether to bookmark the pattern too. Modal for
// the whole program, like the options dialog.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace zr {

enum NewestFileControlId : int {
    IDC_NF_FOLDERLABEL = 300,
    IDC_NF_FOLDER,
    IDC_NF_BROWSE,
    IDC_NF_PATTERNLABEL,
    IDC_NF_PATTERN,
    IDC_NF_NOTE,
    IDC_NF_BOOKMARK,
    // OK and キャンセル are IDOK and IDCANCEL, so that Enter and Escape reach them.
};

inline constexpr wchar_t kNewestFileClass[] = L"ZororuvNewestFile";
inline constexpr wchar_t kNewestFileCaption[] = L"フォルダーの最新ファイル";
inline constexpr wchar_t kDefaultNamePattern[] = L"*.log";
inline constexpr wchar_t kNoFolderGiven[] = L"フォルダーを指定してください。";
inline constexpr wchar_t kFolderMissing[] = L"フォルダーが見つかりません。";
inline constexpr wchar_t kNotANamePattern[] =
    L"ファイル名のパターンを * か ? を使って指定してください (例: app_*.log)。";

struct NewestFileChoice {
    std::wstring patternPath;  // the folder and the pattern joined, e.g. C:\logs\app_*.log
    bool addToBookmarks = false;
    bool operator==(const NewestFileChoice&) const = default;
};

// Asks for a folder (starting with `initialFolder` in its box) and a pattern ("*.log" at
// first). What the user confirmed with OK, once the folder exists and the pattern names files of
// it that are not executables; nothing for キャンセル, Escape or the close box. Every other window
// of the program takes no input meanwhile.
std::optional<NewestFileChoice> AskNewestFile(HWND owner, const std::wstring& initialFolder);

}  // namespace zr
