// How the program is started: a file named on its command line, and a second instance
// started from the menu beside the window that started it.
#pragma once
#include <windows.h>

#include <string>

namespace zr {

// The file named first on the command line ("送る", a file association, a shortcut with an
// argument), as a full path: relative to the current folder when it is relative. Empty when
// none is given.
std::wstring FileFromCommandLine();

// The program that is running.
std::wstring ProgramPath();

// Starts another instance of `program`, whose window stands one caption height lower and to
// the right of `window`, wholly on the same monitor; false when it could not be started.
bool StartSecondInstance(HWND window, const std::wstring& program);

// In an instance started that way, moves its window to the place its starter chose.
void TakeStartPlace(HWND window);

}  // namespace zr
