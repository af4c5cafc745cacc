// Opening the options dialog from the Tools menu.
#include "mainwindow/main_window_win.h"

namespace zr {

void MainWindow::OnOption() {}

}  // namespace zr
