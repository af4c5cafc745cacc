// How following works
//
// The file is polled: the window calls Step on a timer, and each Step opens the file, reads
// what lies beyond the byte offset reached so far, and closes the file again. Holding the
// file open between passes would get in the way of the writer: it could not be renamed,
// rotated or deleted on some systems, and a writer that opens its log without sharing would
// fail outright. The open shares reading, writing and deleting for the same reason.
//
// Everything is kept in byte offsets (64-bit, so files past 4 GiB work), never in lines or
// characters, so a pass costs what was added, not the size of the file. Before reading on,
// each Step makes sure it is still looking at the same text:
//   - the file id (volume and index) must be the one read before, else the log was rotated
//     or replaced by another file at the same path;
//   - the size must not be below the offset, else the file was truncated;
//   - the last bytes before the offset (a small fingerprint) must be unchanged, else the file
//     was rewritten in place, possibly to the same or a greater length.
// When any check fails, the file is read again from its start and the new text is shown
// below the old, on a line of its own: text once displayed is never taken back.
//
// The encoding is found when a file is first placed (see text_decoder.cpp) and found again at
// every restart. Every offset the follower places at (a tail start, the start of older text)
// falls on a boundary of the encoding's units, after any byte-order mark, so no text begins
// with half a character and the mark is never shown. The decoder keeps its state from one Step
// to the next: a CR at the end of one write and the LF at the start of the next make one line
// end, and a character split between two writes is never shown as two broken halves.
//
// A display cannot hold a large log, so it is a window onto the file: besides the passes,
// the follower reads any stretch again (ReadBefore, ReadAfter, ReadTail), in whole lines and
// with the offset where each line begins, so that the window can take lines in and let them
// go at either end. A pass that finds more new text than a display can show jumps to its
// end (Step's jumpBeyond); what it jumped over is still read, later, for notices.
#include "follow/follower.h"

#include <algorithm>
#include <vector>

namespace zr {
namespace {

constexpr size_t kBoundaryScanChunk = 64 * 1024;

bool IsUtf16(TextEncoding e) {
    return e == TextEncoding::Utf16Le || e == TextEncoding::Utf16Be;
}

// How much of `bytes` (which begin at a character boundary) ends at a character boundary:
// what is left of a character cut at the end waits for the rest of its line.
size_t WholeCharacters(std::string_view bytes, TextEncoding encoding, const CodePage& codePage) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size();
    if (IsUtf16(encoding)) {
        n &= ~size_t{1};
        const size_t high = encoding == TextEncoding::Utf16Be ? 0 : 1;
        if (n >= 2 && p[n - 2 + high] >= 0xD8 && p[n - 2 + high] <= 0xDB) n -= 2;
        return n;
    }
    if (encoding == TextEncoding::CodePage) {
        size_t i = 0;
        while (i < n) i += codePage.isLeadByte && codePage.isLeadByte(p[i]) ? 2 : 1;
        return i > n ? n - 1 : n;
    }
    // UTF-8, or text still ASCII: back to the start of the last sequence, if it is cut.
    size_t start = n;
    while (start > 0 && n - start < 4 && (p[start - 1] & 0xC0) == 0x80) --start;
    if (start == 0 || p[start - 1] < 0xC0) return n;
    const uint8_t lead = p[start - 1];
    const size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return n - (start - 1) < len ? start - 1 : n;
}

}  // namespace

Follower::Follower(FileSource& files, const CodePage& codePage, uint64_t tailLimit)
    : files_(files), codePage_(codePage), tailLimit_(tailLimit), line_(codePage) {}

void Follower::Start(const std::wstring& path, uint64_t firstTail, TextEncoding encoding) {
    path_ = path;
    following_ = true;
    forced_ = encoding;
    ++generation_;
    ResetReadState();
    firstTail_ = std::min(firstTail, tailLimit_);
}

void Follower::Stop() {
    following_ = false;
    ++generation_;
    ResetReadState();
}

void Follower::ResetReadState() {
    placed_ = false;
    firstTail_ = tailLimit_;
    id_ = {};
    pos_ = 0;
    textStart_ = 0;
    fingerprint_.clear();
    line_ = TextDecoder(codePage_, forced_);
    lineEnds_ = LineEnds(forced_);
    skipped_.clear();
}

void Follower::ResetDecoder(TextEncoding encoding, bool afterCr) {
    line_ = TextDecoder(codePage_, encoding);
    line_.SetAfterCr(afterCr);
    lineEnds_ = LineEnds(encoding, afterCr);
}

PassResult Follower::Step(size_t maxBytes, uint64_t jumpBeyond, uint64_t jumpTail) {
    PassResult result;
    result.generation = generation_;
    if (!following_) return result;

    OpenError err = OpenError::None;
    std::unique_ptr<OpenLogFile> file = files_.OpenForRead(path_, err);
    if (!file) {
        result.status = PassStatus::Unreadable;
        result.error = err == OpenError::None ? OpenError::Other : err;
        return result;
    }
    const std::optional<uint64_t> size = file->Size();
    const std::optional<FileId> id = file->Id();
    if (!size || !id) {
        result.status = PassStatus::Unreadable;
        result.error = OpenError::Other;
        return result;
    }

    if (placed_ && (*id != id_ || *size < pos_ || !FingerprintMatches(*file))) {
        EndLineForRestart(result.text);
        result.staleChars = result.text.size();
        result.restarted = true;
        placed_ = false;
        firstTail_ = tailLimit_;
        // What was jumped over belongs to the file as it was.
        skipped_.clear();
    }
    if (!placed_) {
        if (!Place(*file, *size, firstTail_)) {
            // Too short to tell yet: whatever is written from now on is new, all of it.
            firstTail_ = UINT64_MAX;
            return result;
        }
        id_ = *id;
        placed_ = true;
    } else if (*size - pos_ > jumpBeyond && jumpTail < *size - pos_) {
        bool afterCr = false;
        const uint64_t to =
            LineStartFrom(*file, *size - jumpTail, *size, line_.Encoding(), afterCr);
        if (to > pos_ && to < *size) {
            JumpTo(*file, to, afterCr);
            result.jumped = true;
        }
    }
    result.readFrom = pos_;

    const uint64_t available = *size - pos_;
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(available, std::max<size_t>(maxBytes, 1)));
    std::vector<char> buf(want);
    const size_t got = want ? file->ReadAt(pos_, buf.data(), want) : 0;
    line_.Decode(std::string_view(buf.data(), got), result.text);
    lineEnds_.Scan(std::string_view(buf.data(), got), pos_, result.lineStarts);
    pos_ += got;
    if (got >= kFingerprintBytes) {
        fingerprint_.assign(buf.data() + got - kFingerprintBytes, kFingerprintBytes);
    } else {
        fingerprint_.append(buf.data(), got);
        if (fingerprint_.size() > kFingerprintBytes) {
            fingerprint_.erase(0, fingerprint_.size() - kFingerprintBytes);
        }
    }
    // A short read means the file shrank under us; the next pass sees that and starts over.
    result.more = got == want && pos_ < *size;
    return result;
}

bool Follower::Place(OpenLogFile& file, uint64_t size, uint64_t tail) {
    char headBytes[kHeadBytes];
    const std::string_view head(headBytes,
                                file.ReadAt(0, headBytes, std::min<uint64_t>(size, kHeadBytes)));
    HeadEncoding found;
    if (forced_ == TextEncoding::Auto) {
        found = EncodingOfHead(head);
    } else {
        const std::string_view mark = ByteOrderMark(forced_);
        found.encoding = forced_;
        if (head.substr(0, mark.size()) == mark) {
            found.markBytes = mark.size();
        } else {
            found.needMore = head.size() < mark.size() && mark.substr(0, head.size()) == head;
        }
    }
    if (found.needMore) return false;
    textStart_ = found.markBytes;
    pos_ = textStart_;
    bool afterCr = false;
    if (size > textStart_ && size - textStart_ > tail) {
        // One line longer than the whole part: its end is shown rather than nothing.
        pos_ = LineStartFrom(file, size - tail, size, found.encoding, afterCr);
    }
    ResetDecoder(found.encoding, afterCr);
    LoadFingerprint(file);
    return true;
}

uint64_t Follower::LineStartFrom(OpenLogFile& file, uint64_t from, uint64_t limit,
                                 TextEncoding encoding, bool& afterCr) {
    afterCr = false;
    if (from <= textStart_) return textStart_;
    const bool utf16 = IsUtf16(encoding);
    const size_t unit = utf16 ? 2 : 1;
    const size_t low = encoding == TextEncoding::Utf16Be ? 1 : 0;
    // Marks are of even length, so UTF-16 units begin at even offsets.
    if (utf16) from += from & 1;
    // The unit just before `from` is looked at too: when it ends a line, a line starts there.
    uint64_t at = from - unit;
    std::vector<char> chunk(kBoundaryScanChunk);
    while (at < limit) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), limit - at));
        const size_t got = file.ReadAt(at, chunk.data(), want);
        for (size_t i = 0; i + unit <= got; i += unit) {
            const char c = chunk[i + low];
            if ((c == '\r' || c == '\n') && (!utf16 || chunk[i + 1 - low] == '\0')) {
                uint64_t start = at + i + unit;
                // An LF right after this CR belongs to it and must not become an empty line.
                afterCr = c == '\r';
                char next[2] = {};
                if (afterCr && start + unit <= limit && file.ReadAt(start, next, unit) == unit &&
                    next[low] == '\n' && (!utf16 || next[1 - low] == '\0')) {
                    start += unit;
                    afterCr = false;
                }
                return start;
            }
        }
        if (got < want) break;
        at += got;
    }
    return CharacterStartFrom(file, from, limit, encoding);
}

uint64_t Follower::CharacterStartFrom(OpenLogFile& file, uint64_t from, uint64_t limit,
                                      TextEncoding encoding) {
    if (from <= textStart_) return textStart_;
    const bool utf16 = IsUtf16(encoding);
    const size_t low = encoding == TextEncoding::Utf16Be ? 1 : 0;
    if (utf16) from += from & 1;
    // The code page cannot tell where its characters begin without a line start to walk from.
    unsigned char next[4] = {};
    const size_t got = file.ReadAt(from, reinterpret_cast<char*>(next), sizeof next);
    if (utf16 && got >= 2) {
        const unsigned unitHigh = next[1 - low];
        if (unitHigh >= 0xDC && unitHigh <= 0xDF) from += 2;  // the low half of a pair
    } else if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Auto) {
        for (size_t i = 0; i < got && i < 3 && (next[i] & 0xC0) == 0x80; ++i) ++from;
    }
    return std::min(from, limit);
}

std::unique_ptr<OpenLogFile> Follower::OpenSame() {
    if (!following_ || !placed_) return nullptr;
    OpenError err = OpenError::None;
    std::unique_ptr<OpenLogFile> file = files_.OpenForRead(path_, err);
    if (!file) return nullptr;
    const std::optional<uint64_t> size = file->Size();
    const std::optional<FileId> id = file->Id();
    if (!size || !id || *id != id_ || *size < pos_ || !FingerprintMatches(*file)) return nullptr;
    return file;
}

TextPiece Follower::ReadBefore(uint64_t end, size_t maxBytes) {
    TextPiece older;
    older.from = older.to = end;
    if (end <= textStart_ || end > pos_ || maxBytes == 0) return older;
    std::unique_ptr<OpenLogFile> file = OpenSame();
    if (!file) return older;

    const TextEncoding encoding = line_.Encoding();
    bool afterCr = false;
    const uint64_t start = end - textStart_ > maxBytes ? end - maxBytes : 0;
    uint64_t from = LineStartFrom(*file, start, end, encoding, afterCr);
    // A line longer than maxBytes: its end is shown rather than nothing.
    if (from >= end) from = CharacterStartFrom(*file, start, end, encoding);
    if (from >= end) return older;
    std::vector<char> buf(static_cast<size_t>(end - from));
    const size_t got = file->ReadAt(from, buf.data(), buf.size());
    if (got != buf.size()) return older;
    const std::string_view bytes(buf.data(), got);
    TextDecoder line(codePage_, encoding);
    line.Decode(bytes, older.text);
    // A sequence cut at the very end belongs to a line that was cut at a byte, not a character.
    line.Flush(older.text);
    LineEnds(line.Encoding()).Scan(bytes, from, older.lineStarts);
    // Older text that settles the choice settles it for what is read next too.
    line_.Adopt(line.Encoding());
    older.from = from;
    return older;
}

TextPiece Follower::ReadAfter(uint64_t from, size_t maxBytes) {
    TextPiece piece;
    piece.from = piece.to = from;
    if (from < textStart_ || from >= pos_ || maxBytes == 0) return piece;
    std::unique_ptr<OpenLogFile> file = OpenSame();
    if (!file) return piece;
    const TextEncoding encoding = line_.Encoding();
    const size_t unit = IsUtf16(encoding) ? 2 : 1;
    const size_t low = encoding == TextEncoding::Utf16Be ? 1 : 0;
    // Whether the text begins right after a CR, whose LF, if it comes next, is no line end.
    bool afterCr = false;
    if (from >= textStart_ + unit) {
        char before[2] = {};
        afterCr = file->ReadAt(from - unit, before, unit) == unit && before[low] == '\r' &&
                  (unit == 1 || before[1 - low] == '\0');
    }
    uint64_t want = std::min<uint64_t>(pos_ - from, std::max<size_t>(maxBytes, unit));
    if (from + want < pos_) want -= want % unit;
    std::vector<char> buf(static_cast<size_t>(want) + unit);
    if (file->ReadAt(from, buf.data(), want) != want) return piece;
    // A CR at the end takes its LF along, so that a line start is found in one place only.
    if (from + want + unit <= pos_ && want >= unit && buf[want - unit + low] == '\r' &&
        (unit == 1 || buf[want - unit + 1 - low] == '\0') &&
        file->ReadAt(from + want, buf.data() + want, unit) == unit && buf[want + low] == '\n' &&
        (unit == 1 || buf[want + 1 - low] == '\0')) {
        want += unit;
    }
    std::string_view bytes(buf.data(), static_cast<size_t>(want));
    std::vector<uint64_t> starts;
    LineEnds ends(encoding, afterCr);
    ends.Scan(bytes, from, starts);
    if (from + want < pos_) {
        // Whole lines only, but for a line longer than maxBytes, which is cut at a character.
        if (!starts.empty()) {
            bytes = bytes.substr(0, static_cast<size_t>(starts.back() - from));
        } else {
            bytes = bytes.substr(0, WholeCharacters(bytes, encoding, codePage_));
        }
    }
    TextDecoder line(codePage_, encoding);
    line.SetAfterCr(afterCr);
    // Not flushed: a character cut at the follow position waits for the next pass, as the
    // pass's own decoder waits.
    line.Decode(bytes, piece.text);
    while (!starts.empty() && starts.back() > from + bytes.size()) starts.pop_back();
    piece.lineStarts = std::move(starts);
    line_.Adopt(line.Encoding());
    piece.to = from + bytes.size();
    return piece;
}

TextPiece Follower::ReadTail(size_t maxBytes) {
    TextPiece piece;
    piece.from = piece.to = pos_;
    if (!placed_ || pos_ <= textStart_) return piece;
    std::unique_ptr<OpenLogFile> file = OpenSame();
    if (!file) return piece;
    const TextEncoding encoding = line_.Encoding();
    bool afterCr = false;
    uint64_t from = pos_ - textStart_ > maxBytes
                        ? LineStartFrom(*file, pos_ - maxBytes, pos_, encoding, afterCr)
                        : textStart_;
    file.reset();
    return ReadAfter(from, pos_ - from);
}

uint64_t Follower::LineStartAtOrAfter(uint64_t from, uint64_t limit) {
    limit = std::min(limit, pos_);
    if (from <= textStart_) return std::min(textStart_, limit);
    if (from >= limit) return limit;
    std::unique_ptr<OpenLogFile> file = OpenSame();
    if (!file) return limit;
    bool afterCr = false;
    const uint64_t start = LineStartFrom(*file, from, limit, line_.Encoding(), afterCr);
    // LineStartFrom settles for a character boundary when no line ends before the limit.
    char before[2] = {};
    const size_t unit = IsUtf16(line_.Encoding()) ? 2 : 1;
    const size_t low = line_.Encoding() == TextEncoding::Utf16Be ? 1 : 0;
    if (start >= limit || start <= textStart_) return start >= limit ? limit : start;
    if (file->ReadAt(start - unit, before, unit) != unit) return limit;
    const bool lineEnd =
        (before[low] == '\r' || before[low] == '\n') && (unit == 1 || before[1 - low] == '\0');
    return lineEnd ? start : limit;
}

size_t Follower::ReadBytes(uint64_t from, char* buf, size_t n) {
    if (from >= pos_) return 0;
    std::unique_ptr<OpenLogFile> file = OpenSame();
    if (!file) return 0;
    return file->ReadAt(from, buf, static_cast<size_t>(std::min<uint64_t>(n, pos_ - from)));
}

void Follower::JumpTo(OpenLogFile& file, uint64_t to, bool afterCr) {
    if (!skipped_.empty() && skipped_.back().to == pos_) {
        skipped_.back().to = to;
    } else {
        skipped_.push_back({pos_, to, line_});
    }
    pos_ = to;
    ResetDecoder(line_.Encoding(), afterCr);
    LoadFingerprint(file);
}

PassResult Follower::ReadSkipped(size_t maxBytes) {
    PassResult result;
    result.generation = generation_;
    if (skipped_.empty()) return result;
    std::unique_ptr<OpenLogFile> file = OpenSame();
    if (!file) {
        // Gone or no longer the same file: what it held can no longer be read.
        skipped_.clear();
        return result;
    }
    Skipped& skipped = skipped_.front();
    std::vector<char> buf(static_cast<size_t>(
        std::min<uint64_t>(skipped.to - skipped.from, std::max<size_t>(maxBytes, 1))));
    const size_t got = file->ReadAt(skipped.from, buf.data(), buf.size());
    result.readFrom = skipped.from;
    skipped.decoder.Decode(std::string_view(buf.data(), got), result.text);
    skipped.from += got;
    if (got < buf.size() || skipped.from >= skipped.to) skipped_.pop_front();
    result.more = !skipped_.empty();
    return result;
}

void Follower::LoadFingerprint(OpenLogFile& file) {
    const size_t len = static_cast<size_t>(std::min<uint64_t>(pos_, kFingerprintBytes));
    fingerprint_.resize(len);
    const size_t got = file.ReadAt(pos_ - len, fingerprint_.data(), len);
    fingerprint_.resize(got);
}

bool Follower::FingerprintMatches(OpenLogFile& file) {
    const size_t len = static_cast<size_t>(std::min<uint64_t>(pos_, kFingerprintBytes));
    if (fingerprint_.size() != len) return false;
    if (len == 0) return true;
    char now[kFingerprintBytes];
    return file.ReadAt(pos_ - len, now, len) == len &&
           std::equal(now, now + len, fingerprint_.begin());
}

void Follower::EndLineForRestart(std::wstring& out) {
    // A sequence still waiting for its end never gets one now; it is shown as the broken text
    // it is rather than dropping part of the old text.
    line_.Flush(out);
    if (line_.MidLine()) out += L'\r';
}

}  // namespace zr
