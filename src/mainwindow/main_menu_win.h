// The main window's menu bar, written once as a table: every entry in order with its caption
// and, for the items that switch something, the two captions that name what the next choice
// will do.
#pragma once
#include <windows.h>

namespace zr {

enum MainMenuId : int {
    IDM_OPEN = 200,
    IDM_BOOT,
    IDM_EXIT,
    IDM_BOOKMARK,
    IDM_FILESEARCH,
    IDM_WINPOS,
    IDM_RSCROLL,
    IDM_OPTION,
    IDM_VER,
};

// Builds the bar from the table; the caller gives it to its window.
HMENU CreateMainMenu();
// The caption of a switching item while what it switches is on or off; null for an item that
// switches nothing.
const wchar_t* SwitchCaption(int id, bool on);

}  // namespace zr
