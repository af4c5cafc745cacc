#include "mainwindow/main_controls_win.h"

#include <richedit.h>

#include "mainwindow/layout.h"

namespace zr {

namespace {

// Designed geometry in twips, in tab order. The re-layout moves the display, the buttons, the
// status box and the insert box as soon as the window is first shown; the display's place is
// the one the re-layout keeps, so that it is written once.
const ControlSpec kControls[] = {
    {IDC_TEXT1, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 960, 60, 4695, 270, 0, WS_EX_CLIENTEDGE},
    {IDC_COMMAND1, L"BUTTON", L"読込中止", WS_TABSTOP | BS_PUSHBUTTON, 5756, 480, 975, 375},
    {IDC_COMMAND2, L"BUTTON", L"読込再開", WS_TABSTOP | BS_PUSHBUTTON, 5760, 960, 975, 375},
    {IDC_COMMAND3, L"BUTTON", L"クリア", WS_TABSTOP | BS_PUSHBUTTON, 5760, 1440, 975, 375},
    {IDC_COMMAND4, L"BUTTON", L"時刻挿入", WS_TABSTOP | BS_PUSHBUTTON, 5760, 1920, 975, 375},
    {IDC_COMMAND5, L"BUTTON", L"文章挿入", WS_TABSTOP | BS_PUSHBUTTON, 5760, 2400, 975, 375},
    {IDC_LABEL1, L"STATIC", L"", SS_CENTER | WS_BORDER, 5760, 60, 945, 315},
    {IDC_RICHTEXT, MSFTEDIT_CLASS, L"",
     WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
         ES_NOHIDESEL | ES_SAVESEL,
     kDisplayLeft, kDisplayTop, 5535, 2295, 0, WS_EX_CLIENTEDGE},
    {IDC_LABEL2, L"STATIC", L"挿入文章", SS_LEFT, 120, 100, 735, 255},
};

}  // namespace

std::span<const ControlSpec> MainControls() {
    return kControls;
}

const ControlSpec& MainControl(int id) {
    for (const ControlSpec& control : kControls) {
        if (control.id == id) return control;
    }
    return kControls[0];  // not reached: every id the window uses is in the table
}

}  // namespace zr
