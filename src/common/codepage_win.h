// The one place where text crosses between the system code page and the program's wide strings.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace zr {

// Bytes in the system code page (932 on Japanese systems) to wide text. Bytes the code page
// cannot decode and NUL bytes become U+FFFD, so they never cut text short.
std::wstring FromAnsi(std::string_view bytes);
// Wide text to the system code page; characters it lacks become its default character.
std::string ToAnsi(std::wstring_view text);
// Wide text to the system code page exactly: nothing when a character has no form there,
// rather than a look-alike or the default character.
std::optional<std::string> ToAnsiExact(std::wstring_view text);
// True when the byte starts a double-byte character in the system code page.
bool IsAnsiLeadByte(unsigned char byte);

}  // namespace zr
