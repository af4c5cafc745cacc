// The lines a display window onto a file holds: where each begins in the file and where its
// text begins in the display, so that the window can let whole lines go at either end and
// read them again later, and can tell where in the file any character it shows comes from.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string_view>
#include <vector>

namespace zr {

class WindowLines {
  public:
    // Holds nothing, standing at offset `at` of the file.
    void Reset(uint64_t at);

    size_t Chars() const { return static_cast<size_t>(end_ - FirstChar()); }
    size_t Lines() const { return lines_.size(); }
    // Where the stretch of the file the window stands on begins and ends: the first line
    // held begins at Top() or, when lines were left out (a filter), after it.
    uint64_t Top() const { return top_; }
    uint64_t Bottom() const { return bottom_; }
    // The first line held is what remains of a file that was replaced or rewritten: nothing
    // of the file read now joins it above.
    bool TopStale() const { return stale_ > 0; }
    // Every line held is from before such a restart: the bottom has no place in the file.
    bool AllStale() const { return stale_ > 0 && stale_ == lines_.size(); }

    // Text read from [Bottom(), to) of the file, added at the bottom: it continues the
    // unfinished last line, or its first line begins at `first`; `lineStarts` are where a line
    // begins after each "\r" of `text` (lines left out between them, with a filter).
    void AddBottom(std::wstring_view text, uint64_t to, const std::vector<uint64_t>& lineStarts,
                   uint64_t first = UINT64_MAX);
    // Text that ends what was held before the file was replaced or rewritten (`stale`), then
    // text of the file as it is now, from `from`.
    void AddAfterRestart(std::wstring_view stale, uint64_t from);
    // Text read from [from, Top()) of the file, added at the top; its first line begins at
    // `first` (`from` but with a filter).
    void AddTop(std::wstring_view text, uint64_t from, const std::vector<uint64_t>& lineStarts,
                uint64_t first = UINT64_MAX);

    // The last line has no line end yet: text added at the bottom continues it.
    bool Open() const { return open_; }
    // The characters of the last line held, or of the first.
    size_t EdgeLineChars(bool last) const;

    // Lets go of whole lines at the top until at least `chars` characters are gone, or of
    // every line but the last when that is not enough; returns the characters let go. When
    // that would take more than maxLines lines, nothing goes and the result is 0.
    size_t CutTop(size_t chars, size_t maxLines = SIZE_MAX);

    // The line that holds the display's character `at` (0 is the first held): its index,
    // where it begins in the file (nothing for a stale line), and where in the display.
    struct Place {
        size_t line = 0;
        uint64_t offset = 0;
        bool stale = false;
        size_t lineChar = 0;
    };
    Place LineOf(size_t at) const;
    // The display's character where the line that begins at `offset` begins; the number of
    // characters held when no line held begins there.
    size_t CharOfLine(uint64_t offset) const;

  private:
    struct Line {
        uint64_t begin;  // in the file
        int64_t first;   // its first character, counted from an origin that never moves
    };
    int64_t FirstChar() const { return lines_.empty() ? end_ : lines_.front().first; }

    std::deque<Line> lines_;
    uint64_t top_ = 0;
    uint64_t bottom_ = 0;
    int64_t end_ = 0;    // the character after the last held, counted as Line::first
    size_t stale_ = 0;   // lines at the top that are from before a restart
    bool open_ = false;  // the last line is unfinished: text added at the bottom continues it
};

}  // namespace zr
