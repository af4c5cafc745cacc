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
    IDM_FIND,
    IDM_FIND_NEXT,      // F3
    IDM_FIND_PREVIOUS,  // Shift+F3
    IDM_COPY,
    IDM_SELECT_ALL,
    // The encoding the followed file is read in, one checked at a time, in this order.
    IDM_ENCODING_AUTO,
    IDM_ENCODING_CODE_PAGE,
    IDM_ENCODING_UTF8,
    IDM_ENCODING_UTF16LE,
    IDM_ENCODING_UTF16BE,
};

// Builds the bar from the table; the caller gives it to its window.
HMENU CreateMainMenu();
// The display's context menu, from the same table; the caller destroys it.
HMENU CreateDisplayMenu();
// The keyboard shortcuts of the menu's commands; the caller destroys them.
HACCEL CreateMainAccelerators();
// The caption of a switching item while what it switches is on or off; null for an item that
// switches nothing.
const wchar_t* SwitchCaption(int id, bool on);

}  // namespace zr
