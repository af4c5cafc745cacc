#include "settings/interval_rules.h"

#include "settings/settings.h"

namespace zr {

std::optional<int32_t> ParseReadInterval(std::wstring_view text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    for (wchar_t c : text) {
        // Full-width digits, signs and decimal points are not whole numbers the timer takes.
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > kMaxReadInterval)
            return std::nullopt;  // also keeps long texts from overflowing
    }
    if (value < 1) return std::nullopt;
    return static_cast<int32_t>(value);
}

}  // namespace zr
