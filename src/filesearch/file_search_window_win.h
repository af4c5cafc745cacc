// The file search window: drive, folder and file lists with a wildcard pattern.
#pragma once
#include "common/window_win.h"

namespace zr {

class MainWindow;

class FileSearchWindow final : public Window {
public:
    explicit FileSearchWindow(MainWindow& main) : main_(main) {}
    bool Create();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    MainWindow& main_;
};

}  // namespace zr
