// The bookmark list as the settings key keeps it: a count, then one numbered text per
// entry ("Book Mark List1" is the first), and the rule for what may be added to it.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace zr {

// The count is stored as a 16-bit number in older settings, so the list never grows past it.
inline constexpr int kMaxBookmarks = 32767;

// "Book Mark List" followed by the number, without separator or leading zeros.
std::wstring BookmarkValueName(int number);

// Entries 1 to "Book Mark Count" in order. A numbered value that is missing, of another
// type or empty is skipped: it never turns into an entry of its own.
std::vector<std::wstring> LoadBookmarks(ValueStore& store);

// Writes values 1 to N, then the count N (also 0), then removes the old list's entries
// past N. A refused write ends the store there, so the count never names an entry that was
// not written. True when the list was stored.
bool SaveBookmarks(ValueStore& store, std::span<const std::wstring> paths);

enum class AddVerdict {
    Nothing,     // an empty path: a cancelled dialog
    Executable,  // refused with a message
    Add,
};

struct AddDecision {
    AddVerdict verdict;
    std::wstring path;  // the path to add, cut at its first NUL
};

// What adding `candidate` does: the text before the first NUL counts, and names whose last
// three characters are "exe" in any case are refused. A name pattern is added as it is, unless
// it ends so too: then every name it matches is an executable.
AddDecision DecideAdd(std::wstring_view candidate);

}  // namespace zr
