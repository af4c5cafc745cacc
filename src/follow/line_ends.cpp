#include "follow/line_ends.h"

#include <cstring>

namespace zr {

void LineEnds::Scan(std::string_view bytes, uint64_t base, std::vector<uint64_t>& out) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    if (encoding_ != TextEncoding::Utf16Le && encoding_ != TextEncoding::Utf16Be) {
        // CR and LF are never part of a longer character in the code page or in UTF-8.
        size_t i = 0;
        while (i < n) {
            if (afterCr_) {
                afterCr_ = false;
                if (p[i] == '\n') {
                    // This LF belongs to the CR before it; the line begins after it when the
                    // CR's own line start was given in this call.
                    if (i > 0) out.back() = base + i + 1;
                    ++i;
                    continue;
                }
            }
            const void* cr = std::memchr(p + i, '\r', n - i);
            const void* lf = std::memchr(p + i, '\n', n - i);
            const uint8_t* next = static_cast<const uint8_t*>(!cr   ? lf
                                                              : !lf ? cr
                                                                    : (cr < lf ? cr : lf));
            if (!next) break;
            i = static_cast<size_t>(next - p) + 1;
            out.push_back(base + i);
            afterCr_ = *next == '\r';
        }
        return;
    }
    const size_t lo = encoding_ == TextEncoding::Utf16Be ? 1 : 0;
    bool crHere = false;  // the last line start given out was a CR's, in this call
    auto unit = [&](uint8_t first, uint8_t second, uint64_t end) {
        const uint8_t b[2] = {first, second};
        const unsigned u = b[lo] | (b[1 - lo] << 8);
        if (u == '\n' && afterCr_) {
            afterCr_ = false;
            if (crHere) out.back() = end;
            crHere = false;
            return;
        }
        afterCr_ = crHere = u == '\r';
        if (u == '\r' || u == '\n') out.push_back(end);
    };
    size_t i = 0;
    if (holdsByte_ && n > 0) {
        holdsByte_ = false;
        unit(held_, p[0], base + 1);
        i = 1;
    }
    for (; i + 1 < n; i += 2) unit(p[i], p[i + 1], base + i + 2);
    if (i < n) {
        held_ = p[i];
        holdsByte_ = true;
    }
}

}  // namespace zr
