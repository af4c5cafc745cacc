// Base of every window class: ties a C++ object to its HWND, cracks the messages the
// program's windows act on into small handlers, and keeps exceptions from unwinding through
// the system's window procedure.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <optional>
#include <span>
#include <string>
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
    // Why the last CreateWin or CreateDesigned made no window: what OnCreate threw, or the
    // system's own reason; empty once a window was made.
    const std::wstring& CreationError() const noexcept { return creationError_; }
    // The window's procedure as registered; the main window's move hook chains to it.
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  protected:
    struct ClassSpec {
        const wchar_t* name;
        UINT style = CS_HREDRAW | CS_VREDRAW;
        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        bool programIcon = true;
    };
    // Registers the class on first use and creates the window; `this` reaches the
    // procedure through lpCreateParams. Null when the window could not be made, a throw
    // from OnCreate included; CreationError() then says why.
    HWND CreateWin(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title, int x,
                   int y, int width, int height, HWND parent, HMENU menu);

    // The same for a window of a designed client size in twips, sized at the DPI of the
    // screen it starts on (a menu bar, when there is one, comes on top of that size).
    HWND CreateDesigned(const ClassSpec& cls, DWORD exStyle, DWORD style, const wchar_t* title,
                        int clientTwipsW, int clientTwipsH, int x, int y, bool menu = false);

    // Cracks the message into the handlers below. A window that still keeps a switch of
    // its own overrides this and calls Default() for what it leaves alone.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // One handler per message, its arguments unpacked. What a window does not override goes
    // on to DefWindowProc, as does a message without a handler here. A handler that
    // overrides answers the message with 0, or with what it returns.
    // A throw from OnCreate fails the creation: the window is destroyed before the creator
    // sees it, so a half-built window is never used.
    virtual void OnCreate(const CREATESTRUCTW& create);
    virtual void OnCommand(int id, int code, HWND control);
    virtual void OnSize(UINT kind, int width, int height);
    virtual void OnMove(int x, int y);
    virtual void OnDpiChanged(int dpi, const RECT& suggested);
    virtual void OnActivate(UINT state, bool minimized, HWND other);
    virtual void OnSetFocus(HWND previous);
    virtual void OnClose();
    virtual void OnTimer(UINT_PTR id);
    virtual void OnDropFiles(HDROP drop);
    // WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC, WM_CTLCOLORLISTBOX and WM_CTLCOLORBTN.
    virtual HBRUSH OnCtlColor(UINT msg, HDC dc, HWND control);
    virtual void OnContextMenu(HWND from, POINT screen);
    // Whether the session may end.
    virtual bool OnQueryEndSession();
    virtual void OnEndSession(bool ending);
    virtual void OnDestroy();
    // Any other message: the window's own, registered ones, and those no handler covers.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY, when the HWND is gone; the object may be reused.
    virtual void OnDestroyed() {}

    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

  private:
    // The message being handled, kept so that a handler left to the base can pass it on.
    struct Dispatch {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        std::optional<LRESULT> passedOn;
    };
    // The handler's own result for the handlers that have one.
    std::optional<LRESULT> Crack(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT PassOn(UINT msg);
    static void KeepCreationError(Window& self) noexcept;

    HWND hwnd_ = nullptr;
    Dispatch* dispatch_ = nullptr;
    std::wstring creationError_;
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
    static BOOL CALLBACK DisableOne(HWND window, LPARAM self) noexcept;
    HWND modal_;
    std::vector<HWND> disabled_;
};

// Program instance and icon, shared by every window that has one.
HINSTANCE AppInstance();
HICON AppIcon(int size);

}  // namespace zr
