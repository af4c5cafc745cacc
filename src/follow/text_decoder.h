// The encodings a log may be written in, how a file tells which one it uses, and its bytes
// turned into display text piece by piece as the follower reads them.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zr {

// How a log's bytes are read. Auto, for a file being read, is a choice still open: its text so
// far is ASCII, which reads the same in the code page and in UTF-8.
enum class TextEncoding { Auto, CodePage, Utf8, Utf16Le, Utf16Be };

// The system code page (Shift_JIS on Japanese systems) comes from the platform: its lead-byte
// test, and a decoder for whole characters that turns NUL bytes and bytes it cannot decode into
// U+FFFD and leaves CR a CR.
using LeadBytePredicate = bool (*)(unsigned char);
using Decoder = std::wstring (*)(std::string_view);
struct CodePage {
    LeadBytePredicate isLeadByte = nullptr;
    Decoder decode = nullptr;
};

// Lead bytes of Shift_JIS (code page 932) double-byte characters.
inline bool IsShiftJisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The byte-order mark of the encoding; empty for the code page and Auto.
std::string_view ByteOrderMark(TextEncoding encoding);

// What the first bytes of a file say about its encoding.
struct HeadEncoding {
    TextEncoding encoding = TextEncoding::Auto;
    size_t markBytes = 0;   // the byte-order mark, never shown
    bool needMore = false;  // too few bytes to tell yet: part of a mark, or a single byte
};
// How much of a file's start is looked at.
inline constexpr size_t kHeadBytes = 256;
HeadEncoding EncodingOfHead(std::string_view head);

// What a code page's decoder gives for each byte and each pair of a lead byte and a trail byte
// other than CR and LF, each read alone: one unit in `single` and `pairs`, or kNone where it
// gives more or fewer units than one; those bytes are then decoded by the code page itself,
// and what it gives for them alone is in `others` (a lead byte alone, as before a line end,
// is there too). Built once per code page, on its first use, and kept for the whole run.
struct CodePageTable {
    enum Kind : uint8_t { kTable, kOther, kCr, kLf, kLead };
    static constexpr uint32_t kNone = 0xFFFFFFFF;
    std::array<uint8_t, 256> kind{};
    std::array<uint32_t, 256> single{};
    std::array<uint32_t, 256> row{};  // where a lead byte's 256 trail bytes begin in pairs
    std::vector<uint32_t> pairs;
    std::vector<std::pair<std::string, std::wstring>> others;

    uint32_t Pair(uint8_t lead, uint8_t trail) const { return pairs[row[lead] + trail]; }
};
const CodePageTable& CodePageTableFor(const CodePage& codePage);

// Turns the bytes of one stretch of a file, handed over in pieces of any size, into display
// text: UTF-16 units (one per wchar_t on every platform), each line end (CR, LF or CR LF, in
// units of the encoding) a lone L'\r', NUL and invalid sequences U+FFFD. What a piece ends in
// the middle of (a lead byte, part of a UTF-8 sequence, an odd byte, a high surrogate) waits
// for the next piece. Never gives more units than it was given bytes.
class TextDecoder {
  public:
    explicit TextDecoder(const CodePage& codePage, TextEncoding encoding = TextEncoding::Auto);

    TextEncoding Encoding() const { return encoding_; }
    // Takes a choice made for the same file elsewhere (in its older text) while this one is
    // still open and holds nothing.
    void Adopt(TextEncoding encoding);

    void Decode(std::string_view bytes, std::wstring& out);
    // What waits for the rest of a sequence that will not come, shown as the broken text it is.
    void Flush(std::wstring& out);

    // The text does not stand at the start of a line.
    bool MidLine() const { return midLine_; }
    // The text begins right after a CR: an LF first belongs to that line end.
    void SetAfterCr(bool afterCr) { afterCr_ = afterCr; }

  private:
    void DecodeAsciiCompatible(const uint8_t* p, size_t n, std::wstring& out);
    void DecodeCodePage(const uint8_t* p, size_t n, std::wstring& out);
    void DecodeUtf16(const uint8_t* p, size_t n, std::wstring& out);

    CodePage codePage_;
    const CodePageTable* cpTable_ = nullptr;  // taken when the first code-page text comes
    TextEncoding encoding_;
    bool afterCr_ = false;
    bool midLine_ = false;
    // Auto and UTF-8: the start of a sequence; code page: a lead byte; UTF-16: an odd byte.
    uint8_t held_[4] = {};
    size_t heldCount_ = 0;
    wchar_t highSurrogate_ = 0;
    std::string cpBytes_;  // code-page bytes the table cannot read, on their way to the decoder
};

}  // namespace zr
