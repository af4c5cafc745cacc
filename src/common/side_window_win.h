// What a side window (the bookmark list, the file search) tells the window that owns it. A
// side window knows its owner only through this interface, so the dependency runs one way:
// the owner decides what an event means (open the file, add it to the bookmarks, change a
// menu caption). A new event, such as files dropped on a list, joins as one more function.
#pragma once
#include <string>

namespace zr {

enum class SideWindowKind { Bookmarks, FileSearch };

class SideWindowOwner {
  public:
    // The user chose a file (a double-click or Enter on a list); `toBookmarks` when the side
    // window asks for it to be bookmarked rather than opened.
    virtual void FileChosen(SideWindowKind from, const std::wstring& path, bool toBookmarks) = 0;
    // The side window is going, by its close box or the program's end, after it has stored
    // what it keeps.
    virtual void SideWindowClosed(SideWindowKind which) = 0;

  protected:
    ~SideWindowOwner() = default;
};

}  // namespace zr
