// The list box messages the windows send, with their answers as plain values: an index is
// -1 where the list answers LB_ERR or LB_ERRSPACE.
#pragma once
#include <windows.h>

#include <string>

namespace zr {

// Where the text went (sorted lists put it in its place), or -1 when the list refused it.
int ListAdd(HWND list, const std::wstring& text);
int ListCount(HWND list);
// The item's text; "" when there is no such item.
std::wstring ListItemText(HWND list, int index);
// The selected item of a single-selection list, or -1.
int ListSelection(HWND list);
void ListSelect(HWND list, int index);
void ListDelete(HWND list, int index);
void ListClear(HWND list);

}  // namespace zr
