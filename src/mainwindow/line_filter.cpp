#include "mainwindow/line_filter.h"

namespace zr {

TextPiece LineFilter::Keep(const TextPiece& piece) const {
    TextPiece kept;
    kept.from = piece.from;
    kept.to = piece.to;
    std::wstring_view text = piece.text;
    uint64_t begin = piece.First();
    for (size_t k = 0;; ++k) {
        const size_t cr = text.find(L'\r');
        if (cr == std::wstring_view::npos) {
            // Unfinished: it waits where it begins.
            if (!text.empty()) kept.to = begin;
            break;
        }
        const uint64_t next = k < piece.lineStarts.size() ? piece.lineStarts[k] : piece.to;
        if (Passes(text.substr(0, cr))) {
            if (kept.text.empty()) kept.first = begin;
            if (!kept.lineStarts.empty()) kept.lineStarts.back() = begin;
            kept.text.append(text.substr(0, cr + 1));
            kept.lineStarts.push_back(next);
        }
        text.remove_prefix(cr + 1);
        begin = next;
    }
    // After the last line kept comes what follows the piece, not the lines left out.
    if (!kept.lineStarts.empty()) kept.lineStarts.back() = kept.to;
    return kept;
}

void FilterStream::Reset(uint64_t at) {
    held_.clear();
    heldBegin_ = at;
}

TextPiece FilterStream::Feed(const LineFilter& filter, std::wstring_view text, uint64_t from,
                             const std::vector<uint64_t>& lineStarts) {
    TextPiece joined;
    joined.from = held_.empty() ? from : heldBegin_;
    joined.first = joined.from;
    joined.text = std::move(held_);
    joined.text.append(text);
    joined.lineStarts = lineStarts;
    // Where the piece ends: after the last line it ends, the unfinished one being held.
    joined.to = lineStarts.empty() ? joined.from : lineStarts.back();
    const size_t cr = joined.text.rfind(L'\r');
    held_ = cr == std::wstring::npos ? joined.text : joined.text.substr(cr + 1);
    if (!lineStarts.empty()) heldBegin_ = lineStarts.back();
    if (cr == std::wstring::npos) {
        TextPiece none;
        none.from = none.to = joined.from;
        return none;
    }
    joined.text.resize(cr + 1);
    TextPiece kept = filter.Keep(joined);
    kept.to = heldBegin_;
    return kept;
}

}  // namespace zr
