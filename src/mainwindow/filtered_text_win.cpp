#include "mainwindow/filtered_text_win.h"

#include <algorithm>
#include <optional>

#include "common/codepage_win.h"
#include "follow/line_scanner.h"

namespace zr {

namespace {

// Bytes one read scans at most: a few hundredths of a second, so the window keeps answering.
constexpr uint64_t kScanBytes = 8 * 1024 * 1024;
constexpr size_t kChunkBytes = 1024 * 1024;
// Scanning upwards, a region of about this much is scanned forwards at a time.
constexpr uint64_t kRegionBytes = 1024 * 1024;

const CodePage kSystemCodePage{&IsAnsiLeadByte, &FromAnsi};

}  // namespace

TextPiece FilteredText::Scan(uint64_t from, uint64_t to, size_t maxChars, bool keepLast) {
    TextPiece kept;
    kept.from = kept.to = from;
    LineScanner scanner(filter_.Query(), pass_.Encoding(), kSystemCodePage, from);
    std::vector<ByteRange> matches;
    std::string buf;
    // The lines that pass between `gapFrom` and a match's start (除く), or the match (含む);
    // reading forwards, no more than is asked for: `full` then stands where reading stopped.
    uint64_t gapFrom = from;
    std::optional<uint64_t> full;
    auto take = [&](uint64_t begin, uint64_t end) {
        if (end <= begin || full) return;
        uint64_t want = end - begin;
        if (!keepLast)
            want = std::min<uint64_t>(want, maxChars - std::min(maxChars, kept.text.size()) + 1);
        const TextPiece lines = pass_.After(begin, static_cast<size_t>(want));
        if (lines.to < end) full = lines.to;
        if (lines.text.empty()) return;
        if (kept.text.empty()) kept.first = lines.First();
        if (!kept.lineStarts.empty()) kept.lineStarts.back() = lines.First();
        kept.text += lines.text;
        kept.lineStarts.insert(kept.lineStarts.end(), lines.lineStarts.begin(),
                               lines.lineStarts.end());
    };
    auto takeMatches = [&] {
        for (const ByteRange& m : matches) {
            if (filter_.Exclude()) {
                take(gapFrom, m.begin);
                gapFrom = m.end;
            } else {
                take(m.begin, m.end);
            }
        }
        matches.clear();
    };
    uint64_t pos = from;
    while (!full && pos < to && pos - from < kScanBytes &&
           (keepLast || kept.text.size() < maxChars)) {
        buf.resize(static_cast<size_t>(std::min<uint64_t>(kChunkBytes, to - pos)));
        const size_t got = pass_.ReadBytes(pos, buf.data(), buf.size());
        if (got == 0) break;
        scanner.Feed(std::string_view(buf.data(), got), matches);
        pos += got;
        takeMatches();
    }
    // `to` is a line start when everything was scanned: the line open there ends there.
    if (pos >= to) scanner.Finish(matches);
    takeMatches();
    uint64_t stop = pos >= to ? to : scanner.LineStart();
    if (filter_.Exclude()) take(gapFrom, stop);
    if (full) stop = std::min(stop, *full);
    kept.to = stop;
    if (!kept.lineStarts.empty()) kept.lineStarts.back() = stop;
    if (keepLast && kept.text.size() > maxChars) {
        // Only the last lines: the others stay above, to be scanned again when asked for.
        size_t cut = kept.text.size() - maxChars;
        cut = kept.text.find(L'\r', cut ? cut - 1 : 0);
        if (cut != std::wstring::npos && cut + 1 < kept.text.size()) {
            const size_t lines = static_cast<size_t>(
                std::count(kept.text.begin(), kept.text.begin() + cut + 1, L'\r'));
            kept.first = kept.from = kept.lineStarts[lines - 1];
            kept.text.erase(0, cut + 1);
            kept.lineStarts.erase(kept.lineStarts.begin(),
                                  kept.lineStarts.begin() + static_cast<std::ptrdiff_t>(lines));
        }
    }
    return kept;
}

TextPiece FilteredText::After(uint64_t from, size_t maxChars) {
    const uint64_t end = LastLineStart();
    if (from >= end) {
        TextPiece none;
        none.from = from;
        none.to = std::max(from, pass_.End());
        return none;
    }
    TextPiece piece = Scan(from, end, maxChars, false);
    // The unfinished last line is the filter's to hold, and the passes' to show.
    if (piece.to >= end) piece.to = pass_.End();
    return piece;
}

TextPiece FilteredText::Before(uint64_t end, size_t maxChars, uint64_t floor) {
    TextPiece all;
    all.from = all.to = end;
    const uint64_t start = std::max(pass_.Start(), floor);
    uint64_t scanned = 0;
    while (all.from > start && scanned < kScanBytes && all.text.size() < maxChars) {
        // Whole lines that end where the last region began; a line longer than the region
        // makes it grow until one begins, or the file's start is reached.
        uint64_t begin = start;
        for (uint64_t want = kRegionBytes; all.from - start > want; want *= 2) {
            begin = pass_.LineStartAtOrAfter(all.from - want, all.from);
            if (begin < all.from) break;
            begin = start;
        }
        const TextPiece region = Scan(begin, all.from, maxChars - all.text.size(), true);
        scanned += all.from - begin;
        // A line too long to scan in one go (a hole in a sparse file) ends the way up.
        if (region.to < all.from) break;
        if (!region.text.empty()) {
            std::vector<uint64_t> starts = region.lineStarts;
            if (!all.text.empty()) starts.back() = all.First();
            starts.insert(starts.end(), all.lineStarts.begin(), all.lineStarts.end());
            all.lineStarts = std::move(starts);
            all.text.insert(0, region.text);
            all.first = region.First();
        }
        all.from = region.from;
    }
    return all;
}

TextPiece FilteredText::Tail(size_t maxChars, uint64_t floor) {
    TextPiece piece = Before(std::max(LastLineStart(), floor), maxChars, floor);
    piece.to = pass_.End();
    return piece;
}

uint64_t FilteredText::LastLineStart() {
    const TextPiece tail = pass_.Tail(4096, 0);
    if (tail.text.empty() || tail.text.back() == L'\r') return tail.to;
    return tail.lineStarts.empty() ? tail.from : tail.lineStarts.back();
}

}  // namespace zr
