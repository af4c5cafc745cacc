// The file the main window follows: what may be opened and what is said when it may not, the
// encoding it is read in, and the lines the insertion buttons write into it.
#pragma once
#include <windows.h>

#include <string>

#include "follow/text_decoder.h"
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/main_menu_win.h"

namespace zr {

class FollowedFile {
  public:
    FollowedFile(HWND owner, FollowPass& pass, MainMenu& menu)
        : owner_(owner), pass_(pass), menu_(menu) {}

    // Follows `path`, or the file the open dialog gives when it is empty, from its end, after
    // the checks: a cancel, a refused executable or a file that cannot be read leaves
    // everything as it was (the last two with a message). True when it is followed.
    bool Open(const std::wstring& path);
    // The file followed is read again in `encoding` (Auto: found from the file); with no
    // file followed, it is only checked in the menu.
    void ChooseEncoding(TextEncoding encoding);
    // "時刻挿入" and "文章挿入": one line appended to the file in its own encoding, or nothing
    // with a message.
    void InsertTime();
    void InsertText(const std::wstring& text);
    // The pattern followed has moved on to `path`.
    void MovedOn(const std::wstring& path);
    // The file followed now; a name pattern (C:\logs\app_*.log) when one is followed.
    const std::wstring& Path() const { return path_; }
    const std::wstring& Pattern() const { return pattern_; }

  private:
    void Follow(const std::wstring& path, TextEncoding encoding);
    bool FollowPattern(const std::wstring& pattern);
    // The caption: the file's name, after the pattern when one is followed.
    void ShowName();
    void AppendLine(const std::wstring& line);

    HWND owner_;
    FollowPass& pass_;
    MainMenu& menu_;
    std::wstring path_;
    std::wstring pattern_;
};

}  // namespace zr
