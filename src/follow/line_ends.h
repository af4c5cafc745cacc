// Where lines begin in a log's bytes, by the rule the decoder turns them into display text:
// a line ends at CR, LF or CR LF, in units of the encoding. The display keeps the file offset
// of every line it shows, so that it can let lines go at either end and read them again.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "follow/text_decoder.h"

namespace zr {

class LineEnds {
  public:
    explicit LineEnds(TextEncoding encoding = TextEncoding::Auto, bool afterCr = false)
        : encoding_(encoding), afterCr_(afterCr) {}

    // Appends to `out`, for every line end in `bytes` (which begin at file offset `base` and
    // continue what the previous call was given), the offset where the next line begins: after
    // the LF of a CR LF when both are here, else right after the CR or LF. An LF that ends a
    // CR LF split between two calls is no line end of its own.
    void Scan(std::string_view bytes, uint64_t base, std::vector<uint64_t>& out);

  private:
    TextEncoding encoding_;
    bool afterCr_;
    bool holdsByte_ = false;  // UTF-16: the first byte of a unit the next bytes complete
    uint8_t held_ = 0;
};

}  // namespace zr
