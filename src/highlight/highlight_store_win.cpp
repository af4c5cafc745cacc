#include "highlight/highlight_store_win.h"

#include "common/messages.h"
#include "common/ui_seam_win.h"
#include "highlight/rule_store.h"
#include "settings/registry_win.h"

namespace zr {

std::vector<HighlightRule> LoadHighlightRules() {
    RegistryStore store(HKEY_CURRENT_USER, kHighlightKey);
    return LoadHighlightRules(store);
}

bool StoreHighlightRules(std::span<const HighlightRule> rules, HWND owner) {
    RegistryStore store(HKEY_CURRENT_USER, kHighlightKey);
    if (SaveHighlightRules(store, rules)) return true;
    ShowError(owner, kSettingsNotStored);
    return false;
}

}  // namespace zr
