// Rules that decide what a path handed to the program means, shared by every window that
// opens files.
#pragma once
#include <string>
#include <string_view>

namespace zr {

// The text before the first NUL: a dialog hands back its whole buffer, the path followed by
// NUL padding, and a NUL in the first place means nothing was chosen.
std::wstring CutAtNul(std::wstring_view path);

// A name whose last three characters are "exe" in any mix of case ("APP.EXE", "a.Exe"),
// with or without a dot before them, is never followed nor written to.
bool IsRefusedExecutable(std::wstring_view path);

}  // namespace zr
