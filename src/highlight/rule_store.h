// The highlight rules as the registry keeps them: a key of their own under the settings key,
// so that nothing of theirs sits among the settings' values, holding a count and one text per
// rule:
//
//   HKEY_CURRENT_USER\Software\DIVAZU\DORU\Config\Highlight
//     "Rule Count"  REG_DWORD  N
//     "Rule1" ... "RuleN"  REG_SZ  <scope>,<switches>,<text colour>,<background>,<term>
//
//   scope       "line" (the whole line) or "text" (the matched text only)
//   switches    what is ignored: "c" upper and lower case, "w" full and half width,
//               "k" hiragana and katakana; any order, each once, "" for none
//   colours     "#RRGGBB", red first as people write colours (the program holds 0x00BBGGRR)
//   term        the rest of the text as it stands, commas included; never empty
//
// For example "text,cw,#C00000,#FFFF00,ERROR" paints each ERROR, error or ＥＲＲＯＲ in dark
// red on yellow. An entry that is missing, not a REG_SZ or not of this form is skipped.
#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "highlight/highlighter.h"
#include "settings/settings.h"

namespace zr {

inline constexpr wchar_t kHighlightKey[] = L"Software\\DIVAZU\\DORU\\Config\\Highlight";
inline constexpr wchar_t kRuleCountName[] = L"Rule Count";
inline constexpr wchar_t kRuleValuePrefix[] = L"Rule";
// Every rule is tried on every line shown; a damaged count must not make the program read
// two billion values either.
inline constexpr int kMaxHighlightRules = 100;

// "Rule" followed by the number, from 1.
std::wstring RuleValueName(int number);
std::wstring RuleToText(const HighlightRule& rule);
// Nothing when the text is not of the stored form.
std::optional<HighlightRule> RuleFromText(std::wstring_view text);

// Entries 1 to "Rule Count" (at most kMaxHighlightRules), in order, the unreadable ones left out.
std::vector<HighlightRule> LoadHighlightRules(ValueStore& store);
// Writes entries 1 to N, then the count N (also 0), then removes the old list's entries past
// N. A refused write ends the store there, so the count never names an entry that was not
// written. True when the list was stored. Rules past kMaxHighlightRules are not stored.
bool SaveHighlightRules(ValueStore& store, std::span<const HighlightRule> rules);

}  // namespace zr
