// The main window's menu bar, written once as a table: every entry in order with its caption
// and, for the items that switch something, the two captions that name what the next choice
// will do.
#pragma once
#include <windows.h>

#include "follow/text_decoder.h"

namespace zr {

enum MainMenuId : int {
    IDM_OPEN = 200,
    IDM_NEWEST,
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
    IDM_FILTER,  // Ctrl+L
    IDM_HIGHLIGHT,
    // The encoding the followed file is read in, one checked at a time: an item per encoding,
    // in the order of TextEncoding, from here on.
    IDM_ENCODING_AUTO,
};

// The item of an encoding, and the encoding of an item.
constexpr int EncodingItem(TextEncoding encoding) {
    return IDM_ENCODING_AUTO + static_cast<int>(encoding);
}
constexpr TextEncoding EncodingOfItem(int id) {
    return static_cast<TextEncoding>(id - IDM_ENCODING_AUTO);
}
constexpr bool IsEncodingItem(int id) {
    return id >= EncodingItem(TextEncoding::Auto) && id <= EncodingItem(TextEncoding::Utf16Be);
}

// The main window's menu bar, built from the table; destroyed with its window.
class MainMenu {
  public:
    void Attach(HWND window);
    // A switching item's caption for the state of what it switches.
    void ShowSwitch(int id, bool on);
    // The encoding the followed file is read in, checked among the encodings.
    void CheckEncoding(TextEncoding encoding);
    // An item that shows something by a check mark.
    void Check(int id, bool on);

  private:
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
};
// The display's context menu, from the same table; the caller destroys it.
HMENU CreateDisplayMenu();
// The keyboard shortcuts of the menu's commands; the caller destroys them.
HACCEL CreateMainAccelerators();
// The caption of a switching item while what it switches is on or off; null for an item that
// switches nothing.
const wchar_t* SwitchCaption(int id, bool on);

}  // namespace zr
