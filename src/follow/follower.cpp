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

void Follower::Start(const std::wstring& path) {
    path_ = path;
    following_ = true;
    ++generation_;
    ResetReadState();
}

void Follower::Stop() {
    following_ = false;
    ++generation_;
    ResetReadState();
}

void Follower::ResetReadState() {
    placed_ = false;
    id_ = {};
    pos_ = 0;
    fingerprint_.clear();
    afterCr_ = false;
    heldLead_ = -1;
    midLine_ = false;
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
    }
    if (!placed_) {
        id_ = *id;
        PlaceStart(*file, *size);
        placed_ = true;
    }

    const uint64_t available = *size - pos_;
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(available, std::max<size_t>(maxBytes, 1)));
    std::vector<char> buf(want);
    const size_t got = want ? file->ReadAt(pos_, buf.data(), want) : 0;
    Consume(buf.data(), got, result.text);
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

void Follower::PlaceStart(OpenLogFile& file, uint64_t size) {
    pos_ = 0;
    fingerprint_.clear();
    if (size <= tailLimit_) return;

    // Start after the first line end at or beyond the last part's first byte. The byte just
    // before the last part is looked at too: when it ends a line, the part starts a line.
    const uint64_t partStart = size - tailLimit_;
    uint64_t at = partStart - 1;
    std::vector<char> chunk(kBoundaryScanChunk);
    bool found = false;
    while (at < size && !found) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size - at));
        const size_t got = file.ReadAt(at, chunk.data(), want);
        for (size_t i = 0; i < got; ++i) {
            const uint8_t cls = byteClass_[static_cast<unsigned char>(chunk[i])];
            if (cls == kCr || cls == kLf) {
                pos_ = at + i + 1;
                // An LF right after this CR belongs to it and must not become an empty line.
                afterCr_ = cls == kCr;
                found = true;
                break;
            }
        }
        if (got < want) break;
        at += got;
    }
    // One line longer than the whole part: show its end rather than nothing.
    if (!found) pos_ = partStart;
    LoadFingerprint(file);
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
    if (heldLead_ >= 0) {
        out += static_cast<char>(heldLead_);
        heldLead_ = -1;
        midLine_ = true;
    }
    if (midLine_) out += "\r\n";
    midLine_ = false;
    afterCr_ = false;
}

void Follower::Consume(const char* data, size_t n, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    size_t i = 0;
    if (heldLead_ >= 0 && n > 0) {
        out += static_cast<char>(heldLead_);
        heldLead_ = -1;
        midLine_ = true;
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
            midLine_ = true;
            afterCr_ = false;
        }
        if (holdLast) {
            heldLead_ = p[i];
            afterCr_ = false;
            ++i;
        } else if (i < n) {
            if (byteClass_[p[i]] == kCr) {
                out += "\r\n";
                afterCr_ = true;
            } else {
                if (!afterCr_) out += "\r\n";
                afterCr_ = false;
            }
            midLine_ = false;
            ++i;
        }
    }
}

}  // namespace zr
