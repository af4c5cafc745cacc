// The followed file's text as a filter shows it: only the lines it lets pass, found straight
// from the file's bytes by the line scanner, so that the display can be a window onto the
// matching lines of the whole file. A rare term in a large file takes a while to find, so
// every read scans at most a few megabytes and says how far it came: the display asks again.
#pragma once
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/line_filter.h"
#include "mainwindow/log_view_win.h"

namespace zr {

class FilteredText final : public FileText {
  public:
    FilteredText(FollowPass& pass, LineFilter filter) : pass_(pass), filter_(std::move(filter)) {}
    const LineFilter& Filter() const { return filter_; }

    // Each gives the lines that pass in what it scanned, and where the scan stopped (`from`
    // or `to`), which may fall short of what was asked; nothing passed when the text is empty.
    TextPiece Before(uint64_t end, size_t maxChars, uint64_t floor) override;
    TextPiece After(uint64_t from, size_t maxChars) override;
    // The lines before the last, unfinished one, which the filter holds until it ends; `to`
    // is where the passes have read.
    TextPiece Tail(size_t maxChars, uint64_t floor) override;
    uint64_t End() const override { return pass_.End(); }
    uint64_t Start() const override { return pass_.Start(); }
    bool Partial() const override { return true; }

  private:
    // The lines of [from, to) (whole lines) that pass, and where the scan stopped.
    TextPiece Scan(uint64_t from, uint64_t to, size_t maxChars, bool keepLast);
    // Where the last line before the follow position begins.
    uint64_t LastLineStart();

    FollowPass& pass_;
    LineFilter filter_;
};

}  // namespace zr
