// The highlight rules in the current user's registry, under the settings key's "Highlight".
#pragma once
#include <windows.h>

#include <span>
#include <vector>

#include "highlight/highlighter.h"

namespace zr {

// The stored rules in order; none when nothing was stored, and a damaged entry is left out.
std::vector<HighlightRule> LoadHighlightRules();

// Stores `rules` in place of the stored ones. A store the registry refuses is told once, with
// the program's words for a settings store that failed, in a box owned by `owner`. True when
// the rules were stored.
bool StoreHighlightRules(std::span<const HighlightRule> rules, HWND owner);

}  // namespace zr
