// Follows one growing log file: each pass turns the bytes added since the previous pass into
// display text. It knows byte offsets, encodings, line endings, truncation and replacement,
// and nothing about windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "follow/file_source.h"
#include "follow/line_ends.h"
#include "follow/text_decoder.h"

namespace zr {

// A first pass never reads more than this many bytes from the end of the file.
inline constexpr uint64_t kDefaultTailLimit = 8'000'000;
// Bytes one Step reads at most unless told otherwise: small enough that the window's
// message loop keeps running while a large file is taken in.
inline constexpr size_t kDefaultStepBytes = 1 << 20;

enum class PassStatus { Ok, Unreadable };

struct PassResult {
    PassStatus status = PassStatus::Ok;
    OpenError error = OpenError::None;  // why the file could not be opened, when Unreadable
    // New display text, to be appended to the display as is, decoded from the file's encoding.
    // Every line end is a lone L'\r', whatever the file used (CR LF, CR or LF); no LF ever
    // appears. It may end in the middle of a line, which the next text continues.
    std::wstring text;
    // The pass has not reached the end of the file yet: call Step again soon.
    bool more = false;
    // The file shrank, was replaced or was rewritten, and is read again from its start; the
    // text then begins on a line of its own, below what was displayed before.
    bool restarted = false;
    uint64_t generation = 0;  // of the Start this result belongs to
    // Offset in the file of the first byte this step read: where the text begins after a
    // Start, a restart or a jump (after the byte-order mark, when the file has one).
    uint64_t readFrom = 0;
    // Where a line begins after each line end of the file's text in `text`, in order.
    std::vector<uint64_t> lineStarts;
    // On a restart: how much of `text` ends what was shown of the file as it was.
    size_t staleChars = 0;
    // The step jumped over more new text than a display could show (see Step): the text
    // begins at readFrom, and what lay between is left to ReadSkipped.
    bool jumped = false;
};

// The text of a stretch of the file, read again for a display that shows any part of it.
struct TextPiece {
    std::wstring text;  // as PassResult::text
    uint64_t from = 0;  // where it begins in the file; where it was asked for when nothing came
    uint64_t to = 0;    // where it ends
    // Where a line begins after each line end in `text`, one for each "\r", in order.
    std::vector<uint64_t> lineStarts;
    // Where the first line of `text` begins: `from`, unless lines were left out (a filter).
    uint64_t first = UINT64_MAX;
    uint64_t First() const { return first == UINT64_MAX ? from : first; }
};

class Follower {
  public:
    Follower(FileSource& files, const CodePage& codePage, uint64_t tailLimit = kDefaultTailLimit);

    // Follows the file at path from now on; everything in it is new. The first pass begins at
    // the first line start within the last `firstTail` bytes (at most the tail limit, which
    // a restart uses). The file is read in `encoding`, or in the one it is found to use (at
    // every start and restart) when Auto. Bumps the generation so that messages posted for an
    // earlier file can be recognised and dropped.
    void Start(const std::wstring& path, uint64_t firstTail = UINT64_MAX,
               TextEncoding encoding = TextEncoding::Auto);
    // Stops following; Step does nothing until the next Start.
    void Stop();

    // One step of a pass: opens the file, checks it is still the file that was read, reads at
    // most maxBytes new bytes, closes it. When the result says more, call again soon.
    // When more than `jumpBeyond` bytes are new, the step first jumps to the first line start
    // in the last `jumpTail` of them and reads from there: a burst larger than any display
    // is shown by its end at once. What it jumped over is left to ReadSkipped.
    PassResult Step(size_t maxBytes = kDefaultStepBytes, uint64_t jumpBeyond = UINT64_MAX,
                    uint64_t jumpTail = 0);
    // The text a jump went over, oldest first, a step of at most maxBytes at a time, decoded
    // as the passes would have decoded it (for notices); more while some is left.
    PassResult ReadSkipped(size_t maxBytes = kDefaultStepBytes);
    bool HasSkipped() const { return !skipped_.empty(); }

    // The whole lines that end at `end` (a line start at or before the follow position) and
    // begin at most maxBytes before it, read in the same way as the passes read. Nothing when
    // the file is no longer the one that was followed: the next step starts over.
    TextPiece ReadBefore(uint64_t end, size_t maxBytes);
    // The whole lines that begin at `from` (a line start at or before the follow position),
    // at most maxBytes of them, as far as the follow position: the last line there may be
    // unfinished, and is then given as the passes gave it, so that what they read next
    // continues it. A line longer than maxBytes is given in part.
    TextPiece ReadAfter(uint64_t from, size_t maxBytes);
    // The lines that end at the follow position, from the first line start in its last
    // maxBytes: what a display that follows the end shows.
    TextPiece ReadTail(size_t maxBytes);
    // The first line start at or after `from` and before `limit` (both at most the follow
    // position), or `limit` when no line ends in between: where a search of raw bytes may
    // begin.
    uint64_t LineStartAtOrAfter(uint64_t from, uint64_t limit);
    // Raw bytes of the followed file as it was read, [from, from + n), for a search of the
    // whole file; short at its end or when the file is no longer the one that was followed.
    size_t ReadBytes(uint64_t from, char* buf, size_t n);

    uint64_t Generation() const { return generation_; }
    bool Following() const { return following_; }
    const std::wstring& Path() const { return path_; }
    // Offset in the file of the next byte to read.
    uint64_t Position() const { return pos_; }
    // Where the file's text begins: after its byte-order mark. Nothing is older.
    uint64_t TextStart() const { return textStart_; }
    // The encoding the file is read in; Auto while the choice is still open (ASCII so far, or
    // nothing read yet).
    TextEncoding Encoding() const { return line_.Encoding(); }

  private:
    static constexpr size_t kFingerprintBytes = 64;

    void ResetReadState();
    // Finds the file's encoding and where to begin: its text start, or for a large file the
    // first line boundary within its last `tail` bytes. False while its first bytes cannot
    // tell the encoding yet.
    bool Place(OpenLogFile& file, uint64_t size, uint64_t tail);
    // The first line start at or after `from` (the unit before it counts too), or `from` itself
    // moved to a character boundary when no line ends before `limit`; past the LF of a CR LF
    // that ends before `limit`; sets afterCr when it stops right after a CR.
    uint64_t LineStartFrom(OpenLogFile& file, uint64_t from, uint64_t limit, TextEncoding encoding,
                           bool& afterCr);
    // `from`, or the start of the character it falls in where the encoding tells.
    uint64_t CharacterStartFrom(OpenLogFile& file, uint64_t from, uint64_t limit,
                                TextEncoding encoding);
    bool FingerprintMatches(OpenLogFile& file);
    // The followed file opened again, when it is still the one that was read; else null.
    std::unique_ptr<OpenLogFile> OpenSame();
    // Moves the follow position on to `to`, a line start; what lay between goes to
    // ReadSkipped.
    void JumpTo(OpenLogFile& file, uint64_t to, bool afterCr);
    // The decoder and line scanner start afresh at pos_, in `encoding`.
    void ResetDecoder(TextEncoding encoding, bool afterCr);
    // Short when the file shrank meanwhile, which makes the next pass start over.
    void LoadFingerprint(OpenLogFile& file);
    void EndLineForRestart(std::wstring& out);

    FileSource& files_;
    CodePage codePage_;
    uint64_t tailLimit_;
    TextEncoding forced_ = TextEncoding::Auto;

    std::wstring path_;
    bool following_ = false;
    uint64_t generation_ = 0;

    // Read state; valid once placed_ is set, i.e. after a file was first opened.
    bool placed_ = false;
    uint64_t firstTail_ = 0;  // the tail of the first placement after Start
    FileId id_;
    uint64_t pos_ = 0;
    uint64_t textStart_ = 0;
    std::string fingerprint_;  // the bytes just before pos_, at most kFingerprintBytes

    TextDecoder line_;
    LineEnds lineEnds_;

    // Text jumped over, not read yet: where it begins and ends, and the decoder as it stood.
    struct Skipped {
        uint64_t from;
        uint64_t to;
        TextDecoder decoder;
    };
    std::deque<Skipped> skipped_;
};

}  // namespace zr
