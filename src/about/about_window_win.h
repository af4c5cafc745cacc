// The About box: product name and the version read from the program's version record.
#pragma once
#include "common/window_win.h"

namespace zr {

class AboutWindow final : public Window {
public:
    bool Create();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace zr
