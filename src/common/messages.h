// Message texts that more than one window shows, so that they read the same everywhere.
#pragma once

namespace zr {

inline constexpr wchar_t kErrorTitle[] = L"エラー";
// An executable is never followed nor bookmarked.
inline constexpr wchar_t kExeRefused[] = L"実行ファイルは読み込めません。";
// A folder dropped where a file is expected.
inline constexpr wchar_t kFolderRefused[] = L"フォルダーは読み込めません。";
// A store of the settings or of the bookmark list that the registry refused, said once per store.
inline constexpr wchar_t kSettingsNotStored[] = L"設定をレジストリに保存できませんでした。";
inline constexpr wchar_t kBookmarksNotStored[] =
    L"ブックマークをレジストリに保存できませんでした。";

}  // namespace zr
