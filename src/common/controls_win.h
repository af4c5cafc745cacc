// Controls are described by a table in the designed twips geometry and created at the
// window's DPI; the same table lays them out again when the DPI changes.
#pragma once
#include <windows.h>

#include <span>
#include <string>

#include "common/handles_win.h"
#include "common/look_win.h"

namespace zr {

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;                   // added to WS_CHILD | WS_VISIBLE unless hidden is set
    int left, top, width, height;  // twips, relative to the parent's client area
    int parentId = 0;              // a frame's id, whose position offsets this control
    DWORD exStyle = 0;
    bool hidden = false;
};

int WindowDpi(HWND hwnd);
HWND CreateControls(HWND parent, std::span<const ControlSpec> specs, int dpi, HFONT font);
void LayoutControls(HWND parent, std::span<const ControlSpec> specs, int dpi);
// Outer size for a designed client size in twips, for the given styles and DPI.
SIZE WindowSizeForClient(int clientTwipsW, int clientTwipsH, DWORD style, DWORD exStyle, bool menu,
                         int dpi);
// Lays a fixed-size window out again at a new DPI: a new control font (the old one is
// released only once no control uses it), the controls at their designed places, and the
// designed client size at the place the system suggests.
void RescaleFixedWindow(HWND window, std::span<const ControlSpec> specs, int dpi, UniqueFont& font,
                        int clientTwipsW, int clientTwipsH, const RECT& suggested);
void SetControlText(HWND parent, int id, const wchar_t* text);
std::wstring ControlText(HWND control);
std::wstring ControlText(HWND parent, int id);
void EnableControl(HWND parent, int id, bool enable);
bool IsChecked(HWND parent, int id);
void SetChecked(HWND parent, int id, bool checked);

}  // namespace zr
