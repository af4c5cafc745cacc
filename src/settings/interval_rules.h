// The reading interval as the user types it in the options dialog. The timer takes 1 to
// 99999 ms; anything else is refused before it is stored, so a typo never reaches the
// registry.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace zr {

// The box holds at most this many characters: every whole number it can hold but 0 fits.
inline constexpr int kIntervalMaxChars = 5;

// The interval in milliseconds when `text` is a whole number from 1 to 99999 written in
// ASCII digits (blanks around it are ignored, leading zeros allowed); nothing otherwise.
std::optional<int32_t> ParseReadInterval(std::wstring_view text);

}  // namespace zr
