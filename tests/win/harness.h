// Shared helpers for window tests: they create the program's real windows in this process,
// send what a user's clicks send, answer modal prompts through the UI seam, and read the
// controls and the registry back.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/ui_seam_win.h"
#include "mainwindow/main_window_win.h"
#include "../shared/test_files.h"

namespace zr::test {

// Dispatches this thread's messages for a while (timers, posted work, repaints).
void Pump(int milliseconds = 0);
// Pumps until `done` holds or the time runs out; returns whether it held.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Empties the program's registry key: the next start is a first run.
void ClearConfig();
void WriteDword(const wchar_t* name, DWORD value);
void WriteString(const wchar_t* name, const std::wstring& value);
std::optional<DWORD> ReadDword(const wchar_t* name);
std::optional<std::wstring> ReadString(const wchar_t* name);
bool ValueExists(const wchar_t* name);

void Click(HWND parent, int id);       // a button click, as the button sends it
void ChooseMenu(HWND window, int id);  // a menu choice
std::wstring Text(HWND window);
std::wstring MenuCaption(HMENU menu, int id);
bool MenuGrayed(HMENU menu, int id);
bool IsTopMost(HWND window);

// Answers the program's modal prompts and records what they asked.
class ScriptedUi : public UiSeam {
  public:
    struct Shown {
        std::wstring text, caption;
        UINT flags;
        HWND owner;
    };
    ScriptedUi() { SetUi(this); }
    ~ScriptedUi() override { SetUi(nullptr); }

    int Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT flags) override;
    std::wstring OpenFileDialog(HWND owner, const std::wstring& pattern) override;
    bool FontDialog(HWND, FontChoice& font) override;
    std::optional<COLORREF> ColorDialog(HWND, COLORREF initial) override;
    void PlayWave(const std::wstring& path) override;

    std::vector<Shown> messages;
    int messageAnswer = IDOK;
    std::vector<std::wstring> openAnswers;  // taken in order; "" is a cancel
    std::vector<std::wstring> openPatterns;
    std::vector<HWND> openOwners;
    std::optional<FontChoice> fontAnswer;  // nothing: cancel
    std::optional<COLORREF> colorAnswer;   // nothing: cancel
    std::vector<COLORREF> colorInitials;
    std::vector<std::wstring> sounds;
};

// The program's main window, created as the program creates it, on a clean registry unless
// the test wrote values first.
std::unique_ptr<MainWindow> StartMain(int show = SW_SHOWNORMAL);

// Waits on its own thread for a top-level dialog of this process with the given caption and
// runs `act` on it: the real common dialogs run their own modal loop on the test's thread.
class DialogWatcher {
  public:
    DialogWatcher(std::wstring caption, std::function<void(HWND)> act, int timeoutMs = 15000);
    ~DialogWatcher();
    bool Found() const { return found_.load(); }

  private:
    std::atomic<bool> found_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Types a path into the name box of a real open dialog and presses its OK button.
void AnswerOpenDialog(HWND dialog, const std::wstring& path);

// A window test on a clean registry, before and after, with every prompt answered by the seam.
class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    ScriptedUi ui;
};

RECT WindowRect(HWND window);
// Puts a window's top-left corner at x, y (screen pixels) and lets the program react.
void MoveWindowTo(HWND window, int x, int y);
// Enter pressed on a control of `window`, as the program's message loop hands every key to
// the dialog keys first; whether the key was taken.
bool PressEnter(HWND window, HWND control);
// A double-click at a point of the screen through the system's input queue, as the mouse
// gives it: it reaches the window there only if that window takes input.
void SystemDoubleClick(POINT screen);
// The text of a system message box.
std::wstring MessageBoxText(HWND box);

// --- The log display and following -------------------------------------------------------
// The display's own text: every paragraph end is a lone "\r".
std::wstring DisplayText(MainWindow& main);
size_t DisplayLength(MainWindow& main);
// The display's last n characters (fewer when it holds fewer), read without copying it all.
std::wstring DisplayTail(MainWindow& main, size_t n);
// A file's text as the display must hold it: CR LF, CR and LF each end a line (shown as
// "\r"), each line decoded from the system code page.
std::wstring ExpectedDisplay(const std::string& fileBytes);
std::wstring Label1(MainWindow& main);
// Whether another program could open the file for reading right now, sharing everything.
bool OpenableForReading(const std::wstring& path);

// Dispatches one message, or waits a little when there is none; for tests that look at the
// window between the steps of a pass.
void PumpOne();
bool PumpOneUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Starts the main window with a short read interval, so that tests do not wait long.
std::unique_ptr<MainWindow> StartFollowing(UINT intervalMs = 50);

// A program built beside the tests (zororuv.exe, log_writer.exe).
std::wstring BesideTests(const wchar_t* name);
// The log writer while a window test waits for it: the wait serves this thread's messages.
class Writer : public WriterProcess {
  public:
    using WriterProcess::WriterProcess;
    int Wait() {
        return WriterProcess::Wait([] { Pump(5); });
    }
};
// Runs the log writer to its end; true when every operation succeeded.
bool RunWriter(const std::vector<std::wstring>& args);

// A file of many numbered lines, large enough to take several steps of a pass.
std::string ManyLines(const char* prefix, size_t bytes);

// --- Side windows and lists -------------------------------------------------------------
std::vector<std::wstring> ListItems(HWND list);
std::wstring ComboSelection(HWND combo);
int IndexOf(HWND list, const std::wstring& text);  // -1 when not there
// A double-click on an item, sent as mouse messages to the list itself.
void DoubleClickItem(HWND list, int index);
// A click on a check box or button, as the mouse gives it (the box ticks itself).
void MouseClick(HWND button);
// The style bit, so that a control of a hidden window still counts as shown.
bool HasVisibleStyle(HWND control);

struct TwipsBox {
    int left, top, width, height;
};
TwipsBox OuterTwips(HWND window, int dpi);

int CountOwnWindows(const wchar_t* className);
// A visible top-level window of the given class and process, or null.
HWND FindShownWindow(DWORD pid, const wchar_t* className);

// Sets the process's current folder for the life of the object.
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::wstring& folder);
    ~CurrentFolder();

  private:
    std::wstring previous_;
};

}  // namespace zr::test
