// Files dragged from the shell and dropped on a window.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace zr {

// The first file of a WM_DROPFILES (a drop of several takes the first, as "開く" takes one);
// empty when there is none, or when it is a folder, which the user is told in a box owned by
// `owner`. The drop is finished, its memory released.
std::wstring TakeDroppedFile(HWND owner, HDROP drop);

}  // namespace zr
