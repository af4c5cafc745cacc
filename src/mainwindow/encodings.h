// The encodings a log can be read in, as the user meets them: the menu's items, in this order,
// and the names messages give them.
#pragma once
#include <span>

#include "follow/text_decoder.h"

namespace zr {

struct EncodingEntry {
    TextEncoding value;
    const wchar_t* caption;  // the item of 表示 → 文字コード
    const wchar_t* name;     // in messages
};

// In the order of the menu, which is the order of TextEncoding.
std::span<const EncodingEntry> Encodings();
const EncodingEntry& EncodingOf(TextEncoding value);

}  // namespace zr
