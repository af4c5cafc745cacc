// A line that the program appends to the log it follows ("時刻挿入", "文章挿入"), as the
// bytes of the log's own encoding, so that the log stays readable by everyone else.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "follow/text_decoder.h"

namespace zr {

// Text in the system code page, exactly: nothing when a character has no form there (no
// look-alike, no "?" in its place).
using CodePageEncoder = std::optional<std::string> (*)(std::wstring_view);

struct InsertionBytes {
    std::string bytes;        // the line and its CR LF; empty when it cannot be written
    std::wstring unwritable;  // the first character the encoding cannot carry, if any
};

// The bytes to append for `line` (UTF-16 units, one per wchar_t) to a log read in `encoding`:
// UTF-8 without a mark, UTF-16 in the log's byte order with CR LF as two units, the code page
// for the code page and for a log whose choice is still open (empty or ASCII so far). A lone
// surrogate, or a character the code page lacks, makes the whole line unwritable.
InsertionBytes EncodeInsertion(std::wstring_view line, TextEncoding encoding,
                               CodePageEncoder toCodePage);

}  // namespace zr
