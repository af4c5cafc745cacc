// Re-layout on every size change, the DPI of the monitor the window is on, and the two view
// switches: line wrapping and always-on-top.
#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "common/twips.h"
#include "filesearch/file_search_window_win.h"
#include "mainwindow/layout.h"
#include "mainwindow/main_window_win.h"

namespace zr {

namespace {
constexpr UINT kTopMostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
}

void MainWindow::OnSize() {
    HWND display = Control(IDC_RICHTEXT);
    if (!display) return;  // sizes that arrive while the window is being created
    RECT client;
    GetClientRect(hwnd(), &client);
    const MainLayout layout =
        ComputeMainLayout(PixelsToTwips(client.right, dpi_), PixelsToTwips(client.bottom, dpi_));
    const auto px = [this](int twips) { return TwipsToPixels(twips, dpi_); };

    SetWindowPos(display, nullptr, px(layout.display.left), px(layout.display.top),
                 px(layout.display.width), px(layout.display.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The buttons and the status box move sideways only, keeping their designed tops.
    for (int id :
         {IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND3, IDC_COMMAND4, IDC_COMMAND5, IDC_LABEL1}) {
        SetWindowPos(Control(id), nullptr, px(layout.buttonsLeft), px(Designed(id).top), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(Control(IDC_TEXT1), nullptr, 0, 0, px(layout.insertBoxWidth),
                 px(Designed(IDC_TEXT1).height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ResizeBMForm();
    ResizeFSForm();
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls hold the old fonts until they have the new ones.
    UniqueFont oldUi = std::move(uiFont_);
    UniqueFont oldLabel = std::move(labelFont_);
    RecreateFonts();
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        HFONT font = id == IDC_LABEL1 ? labelFont_.get() : uiFont_.get();
        if (id != IDC_RICHTEXT)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // Every control goes back to its designed place at the new DPI; the size that follows
    // lays out the moving ones.
    LayoutControls(hwnd(), ControlTable(), dpi);
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();
}

void MainWindow::SetWrap(bool wrap) {
    view_.SetWrap(wrap);
    ShowSwitchState(IDM_RSCROLL, wrap);
}

void MainWindow::OnRScroll() {
    SetWrap(!view_.Wrap());
    view_.ScrollToEnd();
}

void MainWindow::SetTopMost(HWND window, int release) {
    SetWindowPos(window, release == 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kTopMostFlags);
}

void MainWindow::OnWinpos() {
    // The current state is the release flag: visible side windows go the way the main
    // window is about to go.
    if (bookmarks_ && bookmarks_->visible()) SetTopMost(bookmarks_->hwnd(), intTopMost_);
    if (fileSearch_ && fileSearch_->visible()) SetTopMost(fileSearch_->hwnd(), intTopMost_);
    SwitchTopMost(hwnd(), intTopMost_);
}

void MainWindow::SwitchTopMost(HWND window, int state) {
    intTopMost_ = state != 0 ? 0 : 1;
    SetWindowPos(window, intTopMost_ ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kTopMostFlags);
    ShowSwitchState(IDM_WINPOS, intTopMost_ == 1);
}

}  // namespace zr
