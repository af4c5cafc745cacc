#include "mainwindow/layout.h"

#include <algorithm>

namespace zr {

MainLayout ComputeMainLayout(int w, int h, int barHeight) {
    MainLayout out{};
    out.display = {kDisplayLeft, kDisplayTop + barHeight, std::max(0, w - 1500),
                   std::max(0, h - 650 - barHeight)};
    out.buttonsLeft = w - 1100;  // may go negative in a very narrow window
    out.insertBoxWidth = std::max(0, out.display.width - 920);
    return out;
}

namespace {
// One axis: a step forwards, or backwards where forwards leaves the work area, then within it.
int Step(int from, int size, int step, int low, int high) {
    const int to = from + step + size <= high ? from + step : from - step;
    return std::max(low, std::min(to, high - size));
}
}  // namespace

PixelRect CascadeFrom(const PixelRect& window, int step, const PixelRect& work) {
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int left = Step(window.left, width, step, work.left, work.right);
    const int top = Step(window.top, height, step, work.top, work.bottom);
    return {left, top, left + width, top + height};
}

}  // namespace zr
