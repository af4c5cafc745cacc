#include "follow/display_text.h"

#include <algorithm>

namespace zr {

std::vector<std::wstring_view> SplitForInsertion(std::wstring_view text, size_t maxChars) {
    std::vector<std::wstring_view> pieces;
    if (maxChars < 2) maxChars = 2;
    size_t at = 0;
    while (at < text.size()) {
        size_t n = std::min(maxChars, text.size() - at);
        const wchar_t last = text[at + n - 1];
        if (at + n < text.size() && last >= 0xD800 && last <= 0xDBFF) --n;
        pieces.push_back(text.substr(at, n));
        at += n;
    }
    return pieces;
}

}  // namespace zr
