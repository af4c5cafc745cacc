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
// Line ends are folded to CR LF as bytes are taken, with the state carried from one Step to
// the next (a CR at the end of one write and the LF at the start of the next make one line
// end). Double-byte characters are found by walking from the line start with the code page's
// lead-byte test; a lead byte at the very end of what was read is held back until its trail
// byte arrives, so a character split between two writes is never shown as two broken halves.
#include "follow/follower.h"

#include <algorithm>
#include <vector>

namespace zr {
namespace {

enum ByteClass : uint8_t { kPlain, kCr, kLf, kLead };

constexpr size_t kBoundaryScanChunk = 64 * 1024;

}  // namespace

Follower::Follower(FileSource& files, LeadBytePredicate isLeadByte, uint64_t tailLimit)
    : files_(files), tailLimit_(tailLimit) {
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        byteClass_[b] = c == '\r'                       ? kCr
                        : c == '\n'                     ? kLf
                        : (isLeadByte && isLeadByte(c)) ? kLead
                                                        : kPlain;
    }
}

void Follower::Start(const std::wstring& path, uint64_t firstTail) {
    path_ = path;
    following_ = true;
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
    fingerprint_.clear();
    line_ = {};
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
        id_ = *id;
        PlaceStart(*file, *size, firstTail_);
        placed_ = true;
    }
    result.readFrom = pos_;

    const uint64_t available = *size - pos_;
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(available, std::max<size_t>(maxBytes, 1)));
    std::vector<char> buf(want);
    const size_t got = want ? file->ReadAt(pos_, buf.data(), want) : 0;
    Consume(buf.data(), got, line_, result.text);
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

void Follower::PlaceStart(OpenLogFile& file, uint64_t size, uint64_t tail) {
    pos_ = 0;
    fingerprint_.clear();
    if (size <= tail) return;
    // One line longer than the whole part: its end is shown rather than nothing.
    pos_ = LineStartFrom(file, size - tail, size, line_.afterCr);
    LoadFingerprint(file);
}

uint64_t Follower::LineStartFrom(OpenLogFile& file, uint64_t from, uint64_t limit, bool& afterCr) {
    afterCr = false;
    if (from == 0) return 0;
    // The byte just before `from` is looked at too: when it ends a line, a line starts there.
    uint64_t at = from - 1;
    std::vector<char> chunk(kBoundaryScanChunk);
    while (at < limit) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), limit - at));
        const size_t got = file.ReadAt(at, chunk.data(), want);
        for (size_t i = 0; i < got; ++i) {
            const uint8_t cls = byteClass_[static_cast<unsigned char>(chunk[i])];
            if (cls == kCr || cls == kLf) {
                // An LF right after this CR belongs to it and must not become an empty line.
                afterCr = cls == kCr;
                return at + i + 1;
            }
        }
        if (got < want) break;
        at += got;
    }
    return from;
}

OlderText Follower::ReadBefore(uint64_t end, size_t maxBytes) {
    OlderText older;
    older.from = end;
    if (!following_ || !placed_ || end == 0 || end > pos_ || maxBytes == 0) return older;
    OpenError err = OpenError::None;
    std::unique_ptr<OpenLogFile> file = files_.OpenForRead(path_, err);
    if (!file) return older;
    const std::optional<uint64_t> size = file->Size();
    const std::optional<FileId> id = file->Id();
    if (!size || !id || *id != id_ || *size < pos_ || !FingerprintMatches(*file)) return older;

    LineState line;
    uint64_t from = LineStartFrom(*file, end > maxBytes ? end - maxBytes : 0, end, line.afterCr);
    // The LF of a CR LF that the line start stopped inside belongs to the line before.
    if (line.afterCr && from < end) {
        char next = 0;
        if (file->ReadAt(from, &next, 1) == 1 && next == '\n') ++from;
        line.afterCr = false;
    }
    std::vector<char> buf(static_cast<size_t>(end - from));
    const size_t got = file->ReadAt(from, buf.data(), buf.size());
    if (got != buf.size()) return older;
    Consume(buf.data(), got, line, older.text);
    // A lead byte at the very end belongs to a line that was cut at a byte, not a character.
    if (line.heldLead >= 0) older.text += static_cast<char>(line.heldLead);
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

void Follower::EndLineForRestart(std::string& out) {
    // A lead byte still waiting for its trail byte never gets one now; show it as the broken
    // byte it is rather than dropping part of the old text.
    if (line_.heldLead >= 0) {
        out += static_cast<char>(line_.heldLead);
        line_.heldLead = -1;
        line_.midLine = true;
    }
    if (line_.midLine) out += "\r\n";
    line_.midLine = false;
    line_.afterCr = false;
}

void Follower::Consume(const char* data, size_t n, LineState& line, std::string& out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    size_t i = 0;
    if (line.heldLead >= 0 && n > 0) {
        out += static_cast<char>(line.heldLead);
        line.heldLead = -1;
        line.midLine = true;
        // A line end cannot be a trail byte: the lead byte stands alone and the line ends.
        if (byteClass_[p[0]] != kCr && byteClass_[p[0]] != kLf) {
            out += static_cast<char>(p[0]);
            i = 1;
        }
    }
    while (i < n) {
        const size_t runStart = i;
        bool holdLast = false;
        while (i < n) {
            const uint8_t cls = byteClass_[p[i]];
            if (cls == kPlain) {
                ++i;
            } else if (cls == kLead) {
                if (i + 1 == n) {
                    holdLast = true;
                    break;
                }
                const uint8_t next = byteClass_[p[i + 1]];
                i += (next == kCr || next == kLf) ? 1 : 2;
            } else {
                break;
            }
        }
        if (i > runStart) {
            out.append(data + runStart, i - runStart);
            line.midLine = true;
            line.afterCr = false;
        }
        if (holdLast) {
            line.heldLead = p[i];
            line.afterCr = false;
            ++i;
        } else if (i < n) {
            if (byteClass_[p[i]] == kCr) {
                out += "\r\n";
                line.afterCr = true;
            } else {
                if (!line.afterCr) out += "\r\n";
                line.afterCr = false;
            }
            line.midLine = false;
            ++i;
        }
    }
}

}  // namespace zr
