// Paths and patterns of the file search window.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace zr {

// The folder and a name joined by exactly one backslash, also at a drive's root ("C:\")
// or when the name starts with one.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// The wildcard patterns of a pattern box: parts separated by ';', blanks around them
// dropped. An empty box means every file ("*.*"). A part that names another folder (it
// holds '\', '/' or ':') is dropped, so the list never shows files of another folder
// under this folder's name.
std::vector<std::wstring> SplitPatterns(std::wstring_view text);

// What the dialog for the newest file of a folder makes of its folder and name pattern boxes
// (blanks around each dropped): the pattern path, or why it refuses them. The pattern must
// name files of that folder alone, by '*' or '?', and not only executables.
enum class PatternRefusal { None, NoFolder, NotAPattern, Executable };
struct FolderPattern {
    PatternRefusal refusal;
    std::wstring patternPath;  // folder and pattern joined, when not refused
};
FolderPattern MakeFolderPattern(std::wstring_view folder, std::wstring_view pattern);

// The folders from the root down to `folder`: "C:\a\b" gives "C:\", "C:\a", "C:\a\b".
std::vector<std::wstring> FolderChain(std::wstring_view folder);

}  // namespace zr
