// Opening the options dialog from the Tools menu, and storing and applying what it hands back.
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "mainwindow/main_window_win.h"
#include "settings/options_dialog_win.h"
#include "settings/registry_win.h"

namespace zr {

void MainWindow::SetTopMostAroundDialog(int release) {
    // Only while always-on-top is on, and only the windows that are visible, as a switch
    // of the menu item would; intTopMost itself does not change.
    if (intTopMost_ != 1) return;
    SetTopMost(hwnd(), release);
    if (bookmarks_ && bookmarks_->visible()) SetTopMost(bookmarks_->hwnd(), release);
    if (fileSearch_ && fileSearch_->visible()) SetTopMost(fileSearch_->hwnd(), release);
}

void MainWindow::OnOption() {
    // Topmost windows would cover the dialog; a tick would read the file under it.
    SetTopMostAroundDialog(1);
    const bool timerWasOn = TimerEnabled();
    if (timerWasOn) EnableTimer(false);
    const std::optional<Settings> confirmed =
        OptionsDialog(hwnd(), settings_, display_).ShowModal();
    if (!hwnd()) return;  // the main window went while the dialog was open
    if (confirmed) ApplyOptions(*confirmed);
    if (timerWasOn) EnableTimer(true);
    SetTopMostAroundDialog(0);
    BringWindowToTop(hwnd());
}

void MainWindow::ApplyOptions(const Settings& confirmed) {
    // In this order: the settings, all of them to the registry, then the display takes the
    // new font and colours and the text already shown is recoloured. The timer keeps its
    // period until the next start.
    settings_ = confirmed;
    RegistryStore store;
    SetRegistry(store, settings_);
    TakeDisplayFromSettings();
    ApplyDisplayState(true);
}

}  // namespace zr
