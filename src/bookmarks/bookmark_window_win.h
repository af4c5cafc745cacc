// The bookmark window: a list of files the user follows often, kept in the registry.
#pragma once
#include <string>

#include "common/window_win.h"

namespace zr {

class MainWindow;

class BookmarkWindow final : public Window {
public:
    explicit BookmarkWindow(MainWindow& main) : main_(main) {}
    // Creates the window hidden and reads the list from the registry.
    bool Create();
    void AddList(const std::wstring& strAddFilePath);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    MainWindow& main_;
};

}  // namespace zr
