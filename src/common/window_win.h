// Base of every window class: ties a C++ object to its HWND and keeps exceptions from
// unwinding through the system's window procedure.
#pragma once
#include <windows.h>

#include <span>
#include <vector>

namespace zr {

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const noexcept { return hwnd_; }
    bool exists() const noexcept { return hwnd_ != nullptr; }
    bool visible() const noexcept { return hwnd_ && IsWindowVisible(hwnd_); }
    HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
    // The window's procedure as registered; the main window's move hook chains to it.
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  protected:
    struct ClassSpec {
        const wchar_t* name;
        UINT style = CS_HREDRAW | CS_VREDRAW;
        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        bool programIcon = true;
    };
    // Registers the class on first use and creates the window; `this` reaches the
    // procedure through lpCreateParams.
    HWND CreateWin(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title, int x,
                   int y, int width, int height, HWND parent, HMENU menu);

    // The same for a window of a designed client size in twips, sized at the DPI of the
    // screen it starts on (a menu bar, when there is one, comes on top of that size).
    HWND CreateDesigned(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title,
                        int clientTwipsW, int clientTwipsH, int x, int y, bool menu = false);

    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY, when the HWND is gone; the object may be reused.
    virtual void OnDestroyed() {}
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

  private:
    HWND hwnd_ = nullptr;
};

// What a modal window does to the rest of the program: every other shown window of this
// thread that takes input is disabled until Restore() or the end of the object, and only
// those are enabled again, so a window that something else disabled stays disabled.
class OtherWindowsDisabled {
  public:
    explicit OtherWindowsDisabled(HWND modal);
    ~OtherWindowsDisabled() { Restore(); }
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;
    void Restore();

  private:
    static BOOL CALLBACK DisableOne(HWND window, LPARAM self);
    HWND modal_;
    std::vector<HWND> disabled_;
};

// Program instance and icon, shared by every window that has one.
HINSTANCE AppInstance();
HICON AppIcon(int size);

}  // namespace zr
