// Re-layout on every size change, the DPI of the monitor the window is on, and the two view
// switches: line wrapping and always-on-top.
#include "common/controls_win.h"
#include "common/twips.h"
#include "mainwindow/layout.h"
#include "mainwindow/main_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"

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
    const int buttonTops[] = {480, 960, 1440, 1920, 2400};
    for (int i = 0; i < 5; ++i) {
        SetWindowPos(Control(IDC_COMMAND1 + i), nullptr, px(layout.buttonsLeft), px(buttonTops[i]),
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(Control(IDC_LABEL1), nullptr, px(layout.buttonsLeft), px(60), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(Control(IDC_TEXT1), nullptr, 0, 0, px(layout.insertBoxWidth), px(270),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ResizeBMForm();
    ResizeFSForm();
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls hold the old fonts until they have the new ones.
    UniqueFont oldUi = std::move(uiFont_);
    UniqueFont oldLabel = std::move(labelFont_);
    RecreateFonts();
    // Every control goes back to its designed place at the new DPI; the size that follows
    // lays out the moving ones.
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        HFONT font = id == IDC_LABEL1 ? labelFont_.get() : uiFont_.get();
        if (id != IDC_RICHTEXT)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    const int designTwips[][4] = {{960, 60, 4695, 270}, {5760, 60, 945, 315}, {120, 100, 735, 255}};
    const int designIds[] = {IDC_TEXT1, IDC_LABEL1, IDC_LABEL2};
    for (int i = 0; i < 3; ++i) {
        const auto& d = designTwips[i];
        SetWindowPos(Control(designIds[i]), nullptr, TwipsToPixels(d[0], dpi),
                     TwipsToPixels(d[1], dpi), TwipsToPixels(d[2], dpi), TwipsToPixels(d[3], dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int i = 0; i < 5; ++i) {
        SetWindowPos(Control(IDC_COMMAND1 + i), nullptr, 0, 0, TwipsToPixels(975, dpi),
                     TwipsToPixels(375, dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();
}

void MainWindow::SetWrap(bool wrap) {
    view_.SetWrap(wrap);
    SetMenuCaption(IDM_RSCROLL, wrap ? L"横スクロール表示(&V)" : L"横スクロール非表示(&V)");
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
    if (state != 0) {
        intTopMost_ = 0;
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, kTopMostFlags);
        SetMenuCaption(IDM_WINPOS, L"常に手前に表示 ON(&T)");
    } else {
        intTopMost_ = 1;
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kTopMostFlags);
        SetMenuCaption(IDM_WINPOS, L"常に手前に表示 OFF(&T)");
    }
}

}  // namespace zr
