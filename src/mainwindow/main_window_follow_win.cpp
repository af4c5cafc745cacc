// Opening a file, the read pass at every tick, and the reading buttons.
#include "mainwindow/follow_state_win.h"
#include "mainwindow/main_window_win.h"

namespace zr {

void MainWindow::OpenFile(const std::wstring&) {}
void MainWindow::OnTimer() {}
void MainWindow::OnFollowContinue(WPARAM) {}
void MainWindow::OnStopReading() {}
void MainWindow::OnResumeReading() {}
void MainWindow::OnClear() {}
void MainWindow::OnInsertTime() {}
void MainWindow::OnInsertText() {}
void MainWindow::SetReadingButtons(bool) {}

}  // namespace zr
