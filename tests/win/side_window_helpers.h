// Helpers shared by the side-window and About box tests: reading list controls, clicking
// the way a mouse does, and window rectangles in twips.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"

namespace zr::test {

std::vector<std::wstring> ListItems(HWND list);
std::wstring ComboSelection(HWND combo);
int IndexOf(HWND list, const std::wstring& text);  // -1 when not there
// A double-click on an item, sent as mouse messages to the list itself.
void DoubleClickItem(HWND list, int index);
// A click on a check box or button, as the mouse gives it (the box ticks itself).
void MouseClick(HWND button);
// The style bit, so that a control of a hidden window still counts as shown.
bool HasVisibleStyle(HWND control);

struct TwipsBox {
    int left, top, width, height;
};
TwipsBox OuterTwips(HWND window, int dpi);

int CountOwnWindows(const wchar_t* className);
// A visible top-level window of the given class and process, or null.
HWND FindShownWindow(DWORD pid, const wchar_t* className);

// Sets the process's current folder for the life of the object.
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::wstring& folder);
    ~CurrentFolder();

  private:
    std::wstring previous_;
};

}  // namespace zr::test
