#include "mainwindow/layout.h"

#include <algorithm>

namespace zr {

MainLayout ComputeMainLayout(int w, int h) {
    MainLayout out{};
    out.display = {140, 500, std::max(0, w - 1500), std::max(0, h - 650)};
    out.buttonsLeft = w - 1100;  // may go negative in a very narrow window
    out.insertBoxWidth = std::max(0, out.display.width - 920);
    return out;
}

}  // namespace zr
