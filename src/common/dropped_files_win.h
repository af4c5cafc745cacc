// Files dragged from the shell and dropped on a window.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace zr {

struct DroppedFile {
    std::wstring path;  // the first of the files dropped; empty when none
    bool folder = false;
};

// The first file of a WM_DROPFILES (a drop of several opens the first, as "開く" opens one);
// the drop is finished, its memory released.
DroppedFile TakeDroppedFile(HDROP drop);

}  // namespace zr
