// Finds the lines of a log that a query matches, straight from the file's bytes, at the speed
// of reading: for Find over the whole file and for a filter that shows only matching lines.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "follow/matcher.h"
#include "follow/text_decoder.h"

namespace zr {

// Bytes [begin, end) of a file.
struct ByteRange {
    uint64_t begin = 0;
    uint64_t end = 0;
    bool operator==(const ByteRange&) const = default;
};

// Takes the bytes of a file from a line start on, in pieces of any size split anywhere (inside
// a line, a character, or a CR LF), and gives each line the matcher matches as its bytes, its
// line end included: CR, LF or CR LF in units of the encoding, as TextDecoder reads them. The
// lines it gives are exactly those that decoding the same bytes with TextDecoder, splitting at
// its line ends and asking Matcher::Matches of each would give; what lies between two of them
// is whole lines that do not match (a filter that hides matches shows those).
//
// The bytes must begin at a line start after any byte-order mark. In Auto the encoding is
// chosen as TextDecoder chooses it, on the first line that has a byte above 0x7F. A line longer
// than any piece is matched as well; only a few units of it are kept from piece to piece.
class LineScanner {
  public:
    LineScanner(const Matcher& matcher, TextEncoding encoding, const CodePage& codePage,
                uint64_t start = 0);
    ~LineScanner();
    LineScanner(LineScanner&&) noexcept;
    LineScanner& operator=(LineScanner&&) noexcept;

    // The next bytes of the file; appends the lines found to match, in file order. A line is
    // given once its end is known: a CR at the end of the bytes waits to see whether LF follows.
    void Feed(std::string_view bytes, std::vector<ByteRange>& matches);
    // There are no more bytes: decides the line still open (the last line, without a line end).
    void Finish(std::vector<ByteRange>& matches);

    // Offset just after the bytes fed so far.
    uint64_t Position() const;
    // Where the line not yet decided begins: every line before it has been given or passed by.
    // A scan stopped here and started again at this offset misses nothing.
    uint64_t LineStart() const;
    // The encoding the bytes are read in; Auto while all of them were ASCII.
    TextEncoding Encoding() const { return decoder_.Encoding(); }

  private:
    struct Filter;
    struct OpenLine;

    size_t Process(const uint8_t* p, size_t n, bool final, std::vector<ByteRange>& matches);
    void ScanLines(const Filter& filter, const uint8_t* p, size_t from, size_t to,
                   std::vector<ByteRange>& matches);
    enum class Plain { kMatch, kNoMatch, kUnknown };
    Plain PlainMatch(const Filter& filter, const uint8_t* p, size_t begin, size_t end) const;
    Plain Exact(const Filter& filter, const uint8_t* p, size_t begin, size_t end) const;
    bool Decoded(const uint8_t* p, size_t begin, size_t next);
    void Open(const uint8_t* p, size_t from, size_t to);
    void Continue(const uint8_t* p, size_t from, size_t to);
    void Close(const uint8_t* p, size_t from, size_t to, bool final,
               std::vector<ByteRange>& matches);
    void Search(bool lineEnds);
    const Filter& FilterFor(TextEncoding encoding);

    Matcher matcher_;
    CodePage codePage_;
    TextDecoder decoder_;
    bool wide_;          // UTF-16: units of two bytes
    bool swapped_;       // UTF-16 BE
    uint64_t done_;      // offset of the first byte not yet processed
    std::string carry_;  // bytes from done_ on, waiting for the rest of a unit or a CR LF
    std::vector<std::unique_ptr<Filter>> filters_;  // by encoding, made when first needed
    std::unique_ptr<OpenLine> open_;                // the line that began in earlier bytes
    std::wstring text_;                             // decoded units of one line
    std::wstring scratch_;
};

}  // namespace zr
