#include "mainwindow/window_lines.h"

#include <algorithm>

namespace zr {

void WindowLines::Reset(uint64_t at) {
    lines_.clear();
    top_ = bottom_ = at;
    end_ = 0;
    stale_ = 0;
    open_ = false;
}

void WindowLines::AddBottom(std::wstring_view text, uint64_t to,
                            const std::vector<uint64_t>& lineStarts, uint64_t first) {
    uint64_t next = first == UINT64_MAX ? bottom_ : first;
    size_t k = 0;
    for (size_t pos = 0; pos < text.size();) {
        if (!open_) {
            lines_.push_back({next, end_});
            open_ = true;
        }
        const size_t cr = text.find(L'\r', pos);
        if (cr == std::wstring_view::npos) {
            end_ += static_cast<int64_t>(text.size() - pos);
            break;
        }
        end_ += static_cast<int64_t>(cr + 1 - pos);
        pos = cr + 1;
        open_ = false;
        next = k < lineStarts.size() ? lineStarts[k++] : to;
    }
    bottom_ = to;
}

void WindowLines::AddAfterRestart(std::wstring_view stale, uint64_t from) {
    AddBottom(stale, from, {});
    stale_ = lines_.size();
    // The file as it is now begins on a line of its own.
    open_ = false;
    bottom_ = from;
}

void WindowLines::AddTop(std::wstring_view text, uint64_t from,
                         const std::vector<uint64_t>& lineStarts, uint64_t firstLine) {
    if (text.empty()) {
        top_ = std::min(top_, from);
        return;
    }
    top_ = from;
    const bool wasEmpty = lines_.empty();
    const int64_t first = FirstChar() - static_cast<int64_t>(text.size());
    std::vector<Line> added{{firstLine == UINT64_MAX ? from : firstLine, first}};
    size_t k = 0;
    for (size_t cr = text.find(L'\r'); cr != std::wstring_view::npos && cr + 1 < text.size();
         cr = text.find(L'\r', cr + 1)) {
        added.push_back({k < lineStarts.size() ? lineStarts[k] : from, first + int64_t(cr) + 1});
        ++k;
    }
    // Text that ends inside a line continues the first line held, which then begins above.
    if (text.back() != L'\r' && !wasEmpty) lines_.pop_front();
    lines_.insert(lines_.begin(), added.begin(), added.end());
    if (wasEmpty) open_ = text.back() != L'\r';
}

size_t WindowLines::CutTop(size_t chars, size_t maxLines) {
    if (lines_.empty()) return 0;
    const int64_t start = FirstChar();
    size_t count = 0;
    while (count < lines_.size() - 1 && static_cast<size_t>(lines_[count].first - start) < chars) {
        ++count;
    }
    if (count > maxLines) return 0;
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(count));
    stale_ -= std::min(stale_, count);
    if (count > 0) top_ = lines_.front().begin;
    return static_cast<size_t>(FirstChar() - start);
}

size_t WindowLines::EdgeLineChars(bool last) const {
    if (lines_.empty()) return 0;
    if (last) return static_cast<size_t>(end_ - lines_.back().first);
    return static_cast<size_t>((lines_.size() > 1 ? lines_[1].first : end_) - lines_.front().first);
}

WindowLines::Place WindowLines::LineOf(size_t at) const {
    Place place;
    if (lines_.empty()) return place;
    const int64_t target = FirstChar() + static_cast<int64_t>(at);
    auto it = std::upper_bound(lines_.begin(), lines_.end(), target,
                               [](int64_t c, const Line& line) { return c < line.first; });
    if (it != lines_.begin()) --it;
    place.line = static_cast<size_t>(it - lines_.begin());
    place.offset = it->begin;
    place.stale = place.line < stale_;
    place.lineChar = static_cast<size_t>(it->first - FirstChar());
    return place;
}

size_t WindowLines::CharOfLine(uint64_t offset) const {
    auto it = std::lower_bound(lines_.begin() + static_cast<std::ptrdiff_t>(stale_), lines_.end(),
                               offset, [](const Line& line, uint64_t o) { return line.begin < o; });
    if (it == lines_.end() || it->begin != offset) return Chars();
    return static_cast<size_t>(it->first - FirstChar());
}

}  // namespace zr
