#include "bookmarks/bookmark_list.h"

#include <algorithm>

#include "follow/path_rules.h"

namespace zr {

std::wstring BookmarkValueName(int number) {
    return kBookmarkValuePrefix + std::to_wstring(number);
}

namespace {
// A count beyond the limit comes from a damaged key; reading or removing two billion missing
// values would hang the program.
int32_t StoredCount(ValueStore& store) {
    return std::clamp(store.ReadDword(kBookmarkCountName).value_or(0), 0,
                      static_cast<int32_t>(kMaxBookmarks));
}
}  // namespace

std::vector<std::wstring> LoadBookmarks(ValueStore& store) {
    const int32_t count = StoredCount(store);
    std::vector<std::wstring> paths;
    for (int32_t i = 1; i <= count; ++i) {
        std::optional<std::wstring> path = store.ReadString(BookmarkValueName(i));
        if (path && !path->empty()) paths.push_back(std::move(*path));
    }
    return paths;
}

bool SaveBookmarks(ValueStore& store, std::span<const std::wstring> paths) {
    const int32_t count =
        static_cast<int32_t>(std::min(paths.size(), static_cast<size_t>(kMaxBookmarks)));
    const int32_t old = StoredCount(store);
    for (int32_t i = 0; i < count; ++i) {
        if (!store.WriteString(BookmarkValueName(i + 1), paths[static_cast<size_t>(i)])) {
            return false;
        }
    }
    // An emptied list is stored as count 0, so the old entries do not come back.
    if (!store.WriteDword(kBookmarkCountName, count)) return false;
    // Past the count nothing reads them: one that stays is no loss, so the store stands.
    for (int32_t i = count + 1; i <= old; ++i) store.Remove(BookmarkValueName(i));
    return true;
}

AddDecision DecideAdd(std::wstring_view candidate) {
    std::wstring path = CutAtNul(candidate);
    if (path.empty()) return {AddVerdict::Nothing, {}};
    if (IsRefusedExecutable(path)) return {AddVerdict::Executable, std::move(path)};
    return {AddVerdict::Add, std::move(path)};
}

}  // namespace zr
