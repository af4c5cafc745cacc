// Program entry: the main window is the start-up object. A file named on the command line is
// opened as "開く(&O)" opens a file, with the same checks and messages.
#include <windows.h>

#include "common/message_filter_win.h"
#include "common/ui_seam_win.h"
#include "mainwindow/instance_win.h"
#include "mainwindow/main_window_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    zr::MainWindow main;
    if (!main.Create(showCommand)) {
        // Said once, then the program ends: there is no window to go on with.
        zr::ShowError(nullptr, L"Zororuv を起動できません。\n" + main.CreationError());
        return 1;
    }
    if (const std::wstring file = zr::FileFromCommandLine(); !file.empty()) main.OpenFile(file);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Shortcuts, then Tab and Shift+Tab between the controls of the active window.
        if (zr::PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
