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
#include "follow/follower.h"

#include <algorithm>
#include <vector>

namespace zr {
namespace {

constexpr size_t kBoundaryScanChunk = 64 * 1024;

bool IsUtf16(TextEncoding e) {
    return e == TextEncoding::Utf16Le || e == TextEncoding::Utf16Be;
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
}

PassResult Follower::Step(size_t maxBytes) {
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
        result.restarted = true;
        placed_ = false;
        firstTail_ = tailLimit_;
    }
    if (!placed_) {
        if (!Place(*file, *size, firstTail_)) {
            // Too short to tell yet: whatever is written from now on is new, all of it.
            firstTail_ = UINT64_MAX;
            return result;
        }
        id_ = *id;
        placed_ = true;
    }
    result.readFrom = pos_;

    const uint64_t available = *size - pos_;
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(available, std::max<size_t>(maxBytes, 1)));
    std::vector<char> buf(want);
    const size_t got = want ? file->ReadAt(pos_, buf.data(), want) : 0;
    line_.Decode(std::string_view(buf.data(), got), result.text);
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
    line_ = TextDecoder(codePage_, found.encoding);
    textStart_ = found.markBytes;
    pos_ = textStart_;
    if (size > textStart_ && size - textStart_ > tail) {
        // One line longer than the whole part: its end is shown rather than nothing.
        bool afterCr = false;
        pos_ = LineStartFrom(file, size - tail, size, found.encoding, afterCr);
        line_.SetAfterCr(afterCr);
    }
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
                // An LF right after this CR belongs to it and must not become an empty line.
                afterCr = c == '\r';
                return at + i + unit;
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

OlderText Follower::ReadBefore(uint64_t end, size_t maxBytes) {
    OlderText older;
    older.from = end;
    if (!following_ || !placed_ || end <= textStart_ || end > pos_ || maxBytes == 0) return older;
    OpenError err = OpenError::None;
    std::unique_ptr<OpenLogFile> file = files_.OpenForRead(path_, err);
    if (!file) return older;
    const std::optional<uint64_t> size = file->Size();
    const std::optional<FileId> id = file->Id();
    if (!size || !id || *id != id_ || *size < pos_ || !FingerprintMatches(*file)) return older;

    const TextEncoding encoding = line_.Encoding();
    bool afterCr = false;
    const uint64_t start = end - textStart_ > maxBytes ? end - maxBytes : 0;
    uint64_t from = LineStartFrom(*file, start, end, encoding, afterCr);
    // The LF of a CR LF that the line start stopped inside belongs to the line before.
    if (afterCr && from < end) {
        const size_t unit = IsUtf16(encoding) ? 2 : 1;
        char next[2] = {};
        if (file->ReadAt(from, next, unit) == unit &&
            next[encoding == TextEncoding::Utf16Be ? 1 : 0] == '\n' &&
            (unit == 1 || next[encoding == TextEncoding::Utf16Be ? 0 : 1] == '\0')) {
            from += unit;
        }
    }
    // A line longer than maxBytes: its end is shown rather than nothing.
    if (from >= end) from = CharacterStartFrom(*file, start, end, encoding);
    if (from >= end) return older;
    std::vector<char> buf(static_cast<size_t>(end - from));
    const size_t got = file->ReadAt(from, buf.data(), buf.size());
    if (got != buf.size()) return older;
    TextDecoder line(codePage_, encoding);
    line.Decode(std::string_view(buf.data(), got), older.text);
    // A sequence cut at the very end belongs to a line that was cut at a byte, not a character.
    line.Flush(older.text);
    // Older text that settles the choice settles it for what is read next too.
    line_.Adopt(line.Encoding());
    older.from = from;
    return older;
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
