// Follows one growing log file: each pass turns the bytes added since the previous pass into
// display text. It knows byte offsets, line endings, truncation and replacement, and nothing
// about windows.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "follow/file_source.h"

namespace zr {

// Lead bytes of Shift_JIS (code page 932) double-byte characters.
inline bool IsShiftJisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

using LeadBytePredicate = bool (*)(unsigned char);

// A first pass never reads more than this many bytes from the end of the file.
inline constexpr uint64_t kDefaultTailLimit = 8'000'000;
// Bytes one Step reads at most unless told otherwise: small enough that the window's
// message loop keeps running while a large file is taken in.
inline constexpr size_t kDefaultStepBytes = 1 << 20;

enum class PassStatus { Ok, Unreadable };

struct PassResult {
    PassStatus status = PassStatus::Ok;
    OpenError error = OpenError::None;  // why the file could not be opened, when Unreadable
    // New display text, in the code page of the file, to be appended to the display as is.
    // Every line end is written as "\r\n", whatever the file used (CR LF, CR or LF); no other
    // CR or LF ever appears. It may end in the middle of a line, which the next text continues.
    std::string text;
    // The pass has not reached the end of the file yet: call Step again soon.
    bool more = false;
    // The file shrank, was replaced or was rewritten, and is read again from its start; the
    // text then begins on a line of its own, below what was displayed before.
    bool restarted = false;
    uint64_t generation = 0;  // of the Start this result belongs to
    // Offset in the file of the first byte this step read: where the text begins after a
    // Start or a restart.
    uint64_t readFrom = 0;
};

// Text that comes before what a pass showed first, for a display that reaches further back.
struct OlderText {
    std::string text;   // as PassResult::text: every line end "\r\n"
    uint64_t from = 0;  // where it begins in the file; the `end` asked for when nothing came
};

class Follower {
  public:
    Follower(FileSource& files, LeadBytePredicate isLeadByte,
             uint64_t tailLimit = kDefaultTailLimit);

    // Follows the file at path from now on; everything in it is new. The first pass begins at
    // the first line start within the last `firstTail` bytes (at most the tail limit, which
    // a restart uses). Bumps the generation so that messages posted for an earlier file can
    // be recognised and dropped.
    void Start(const std::wstring& path, uint64_t firstTail = UINT64_MAX);
    // Stops following; Step does nothing until the next Start.
    void Stop();

    // One step of a pass: opens the file, checks it is still the file that was read, reads at
    // most maxBytes new bytes, closes it. When the result says more, call again soon.
    PassResult Step(size_t maxBytes = kDefaultStepBytes);

    // The whole lines that end at `end` (a line start at or before the follow position) and
    // begin at most maxBytes before it, read in the same way as the passes read. Nothing when
    // the file is no longer the one that was followed: the next step starts over.
    OlderText ReadBefore(uint64_t end, size_t maxBytes);

    uint64_t Generation() const { return generation_; }
    bool Following() const { return following_; }
    const std::wstring& Path() const { return path_; }
    // Offset in the file of the next byte to read.
    uint64_t Position() const { return pos_; }

  private:
    static constexpr size_t kFingerprintBytes = 64;

    // Line state of the text emitted so far.
    struct LineState {
        bool afterCr = false;  // the last byte taken was a CR, so an LF next completes CR LF
        int heldLead = -1;     // a lead byte whose trail byte has not been written yet
        bool midLine = false;  // the display does not stand at the start of a line
    };

    void ResetReadState();
    // Where to begin in a file just opened: its start, or for a large file the first line
    // boundary within its last `tail` bytes.
    void PlaceStart(OpenLogFile& file, uint64_t size, uint64_t tail);
    // The first line start at or after `from` (the byte before it counts too), or `from`
    // itself when no line ends before `limit`; sets afterCr when it stops right after a CR.
    uint64_t LineStartFrom(OpenLogFile& file, uint64_t from, uint64_t limit, bool& afterCr);
    bool FingerprintMatches(OpenLogFile& file);
    // Short when the file shrank meanwhile, which makes the next pass start over.
    void LoadFingerprint(OpenLogFile& file);
    void Consume(const char* data, size_t n, LineState& line, std::string& out) const;
    void EndLineForRestart(std::string& out);

    FileSource& files_;
    std::array<uint8_t, 256> byteClass_{};
    uint64_t tailLimit_;

    std::wstring path_;
    bool following_ = false;
    uint64_t generation_ = 0;

    // Read state; valid once placed_ is set, i.e. after a file was first opened.
    bool placed_ = false;
    uint64_t firstTail_ = 0;  // the tail of the first placement after Start
    FileId id_;
    uint64_t pos_ = 0;
    std::string fingerprint_;  // the bytes just before pos_, at most kFingerprintBytes

    LineState line_;
};

}  // namespace zr
