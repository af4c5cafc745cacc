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

// The display keeps at most this many characters, so a first pass never reads more.
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
};

class Follower {
  public:
    Follower(FileSource& files, LeadBytePredicate isLeadByte,
             uint64_t tailLimit = kDefaultTailLimit);

    // Follows the file at path from now on; everything in it is new. Bumps the generation so
    // that messages posted for an earlier file can be recognised and dropped.
    void Start(const std::wstring& path);
    // Stops following; Step does nothing until the next Start.
    void Stop();

    // One step of a pass: opens the file, checks it is still the file that was read, reads at
    // most maxBytes new bytes, closes it. When the result says more, call again soon.
    PassResult Step(size_t maxBytes = kDefaultStepBytes);

    uint64_t Generation() const { return generation_; }
    bool Following() const { return following_; }
    const std::wstring& Path() const { return path_; }
    // Offset in the file of the next byte to read.
    uint64_t Position() const { return pos_; }

  private:
    static constexpr size_t kFingerprintBytes = 64;

    void ResetReadState();
    // Where to begin in a file just opened: its start, or for a large file the first line
    // boundary within its last tailLimit_ bytes.
    void PlaceStart(OpenLogFile& file, uint64_t size);
    bool FingerprintMatches(OpenLogFile& file);
    // Short when the file shrank meanwhile, which makes the next pass start over.
    void LoadFingerprint(OpenLogFile& file);
    void Consume(const char* data, size_t n, std::string& out);
    void EndLineForRestart(std::string& out);

    FileSource& files_;
    std::array<uint8_t, 256> byteClass_{};
    uint64_t tailLimit_;

    std::wstring path_;
    bool following_ = false;
    uint64_t generation_ = 0;

    // Read state; valid once placed_ is set, i.e. after a file was first opened.
    bool placed_ = false;
    FileId id_;
    uint64_t pos_ = 0;
    std::string fingerprint_;  // the bytes just before pos_, at most kFingerprintBytes

    // Line state of what was emitted so far.
    bool afterCr_ = false;  // the last byte taken was a CR, so an LF next completes CR LF
    int heldLead_ = -1;     // a lead byte whose trail byte has not been written yet
    bool midLine_ = false;  // the display does not stand at the start of a line
};

}  // namespace zr
