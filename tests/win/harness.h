// Shared helpers for window tests: they create the program's real windows in this process,
// send what a user's clicks send, answer modal prompts through the UI seam, and read the
// controls and the registry back.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../shared/test_files.h"
#include "common/codepage_win.h"
#include "common/ui_seam_win.h"
#include "mainwindow/main_window_win.h"

namespace zr::test {

// Dispatches this thread's messages for a while (timers, posted work, repaints).
void Pump(int milliseconds = 0);
// Pumps until `done` holds or the time runs out; returns whether it held.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Dispatches one message, or waits a little when there is none: for tests that look at the
// window between the steps of a pass.
void PumpOne();
bool PumpOneUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Values of the program's registry key; ClearConfig empties it: the next start is a first run.
void ClearConfig();
void WriteDword(const wchar_t* name, DWORD value);
void WriteString(const wchar_t* name, const std::wstring& value);
std::optional<DWORD> ReadDword(const wchar_t* name);
std::optional<std::wstring> ReadString(const wchar_t* name);

void Click(HWND parent, int id);       // a button click, as the button sends it
void ChooseMenu(HWND window, int id);  // a menu choice
std::wstring Text(HWND window);
bool IsTopMost(HWND window);
RECT WindowRect(HWND window);
// Puts a window's top-left corner at x, y (screen pixels) and lets the program react.
void MoveWindowTo(HWND window, int x, int y);
// A double-click at a point of the screen through the system's input queue, as the mouse
// gives it: it reaches the window there only if that window takes input.
void SystemDoubleClick(POINT screen);
std::vector<std::wstring> ListItems(HWND list);
// A double-click on an item, sent as mouse messages to the list itself.
void DoubleClickItem(HWND list, int index);

// A visible top-level window of the process with this class (and caption, when given).
HWND FindShownWindow(DWORD pid, const wchar_t* className, const wchar_t* caption = nullptr);
// A top-level window of this process with this class, shown or hidden; null when there is none.
HWND OwnWindow(const wchar_t* className);
// The main window's side windows, shown from the View menu when they are not shown yet.
HWND ShownBookmarks(HWND main);
HWND ShownFileSearch(HWND main);
// What the shell sends when files are dropped: a DROPFILES block with the wide paths.
void DropFiles(HWND window, const std::vector<std::wstring>& paths);
// The time from now to the main window's next read timer tick, pumping meanwhile; nothing when
// none comes within timeoutMs.
std::optional<int> NextTickMs(HWND main, int timeoutMs);
// A menu item's caption, as the menu bar shows it.
std::wstring MenuCaption(HWND window, int id);

// Answers the program's modal prompts and records what they asked.
struct ScriptedUi : UiSeam {
    struct Shown {
        std::wstring text;
        UINT flags;
        std::wstring caption;
    };
    ScriptedUi() { SetUi(this); }
    ~ScriptedUi() override { SetUi(nullptr); }
    int Message(HWND, const std::wstring& text, const std::wstring& caption, UINT flags) override {
        messages.push_back({text, flags, caption});
        return IDOK;
    }
    std::wstring OpenFileDialog(HWND owner, const std::wstring&) override {
        openOwners.push_back(owner);
        if (openAnswers.empty()) return L"";
        const std::wstring answer = openAnswers.front();
        openAnswers.erase(openAnswers.begin());
        return answer;
    }
    std::optional<std::wstring> FolderDialog(HWND, const std::wstring& initial) override {
        folderInitials.push_back(initial);
        if (folderAnswers.empty()) return std::nullopt;
        const auto answer = folderAnswers.front();
        folderAnswers.erase(folderAnswers.begin());
        return answer;
    }
    bool FontDialog(HWND, FontChoice& font) override {
        if (fontAnswer) font = *fontAnswer;
        return fontAnswer.has_value();
    }
    std::optional<COLORREF> ColorDialog(HWND, COLORREF initial) override {
        colorInitials.push_back(initial);
        return colorAnswer;
    }
    void PlayWave(const std::wstring& path) override { sounds.push_back(path); }

    std::vector<Shown> messages;            // each answered with OK
    std::vector<std::wstring> openAnswers;  // taken in order; "" is a cancel
    std::vector<HWND> openOwners;
    std::vector<std::optional<std::wstring>> folderAnswers;  // in order; nothing is a cancel
    std::vector<std::wstring> folderInitials;
    std::optional<FontChoice> fontAnswer;  // nothing: cancel
    std::optional<COLORREF> colorAnswer;   // nothing: cancel
    std::vector<COLORREF> colorInitials;
    std::vector<std::wstring> sounds;
};

// A window test on a clean registry, before and after, with every prompt answered by the seam.
class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    ScriptedUi ui;
};

// While `on`, the program's key is readable and nothing more, by its security descriptor, as a
// locked-down machine may leave it; the key's own descriptor comes back at the end.
struct ReadOnlyConfig {
    explicit ReadOnlyConfig(bool on = true);
    ~ReadOnlyConfig();
    HKEY key = nullptr;  // opened before the lock, so that it can undo it
    std::vector<BYTE> saved = std::vector<BYTE>(4096);
};

// Waits on its own thread for a dialog of this process with the given caption (and class) and
// runs `act` on it: a modal dialog runs its own loop on the test's thread.
class DialogWatcher {
  public:
    DialogWatcher(std::wstring caption, std::function<void(HWND)> act,
                  const wchar_t* className = L"#32770");
    bool Found() const { return found_.load(); }

  private:
    std::atomic<bool> found_{false};
    std::jthread thread_;
};

// The program's main window, created as the program creates it, on the registry as it stands.
std::unique_ptr<MainWindow> StartMain(int show = SW_SHOWNORMAL);
// The same with a short read interval, so that tests do not wait long.
std::unique_ptr<MainWindow> StartFollowing(UINT intervalMs = 50);

// The display's last n characters (all by default); every paragraph end is a lone "\r".
std::wstring DisplayTail(MainWindow& main, size_t n);
inline std::wstring DisplayText(MainWindow& main) {
    return DisplayTail(main, SIZE_MAX);
}
size_t DisplayLength(MainWindow& main);
// A file's text as the display must hold it, each line decoded from the system code page.
inline std::wstring ExpectedDisplay(std::string_view bytes) {
    return Displayed(bytes, FromAnsi);
}
inline std::wstring Label1(MainWindow& main) {
    return Text(main.Control(IDC_LABEL1));
}
// Whether `shown` is the end of `all` from a line start on, and at least `least` long.
inline bool IsLatestWholeLines(const std::wstring& shown, const std::wstring& all, size_t least) {
    const size_t n = shown.size();
    return all.ends_with(shown) && (n == all.size() || all[all.size() - n - 1] == L'\r') &&
           n >= std::min(least, all.size());
}
}  // namespace zr::test
