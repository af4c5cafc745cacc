// What a modal window of the program does besides disabling the others: where it opens, and
// its own message loop.
#pragma once
#include <windows.h>

#include "common/window_win.h"

namespace zr {

// The top-left corner of a window of `size` centred on `owner`, moved so that all of it, title
// bar first, lies on the owner's monitor.
POINT CentredOn(HWND owner, SIZE size);

// Dispatches messages until `dialog` is gone, Tab, Escape and the arrows working among its
// controls. When the program is told to quit meanwhile, the quit is left for the outer loop
// and the loop ends with the dialog still there, for its owner to close.
void RunModalLoop(const Window& dialog);

}  // namespace zr
