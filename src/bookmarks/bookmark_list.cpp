#include "bookmarks/bookmark_list.h"

#include <algorithm>

#include "follow/path_rules.h"

namespace zr {

std::wstring BookmarkValueName(int number) {
    return kBookmarkValuePrefix + std::to_wstring(number);
}

std::vector<std::wstring> LoadBookmarks(ValueStore& store) {
    // A count beyond the limit comes from a damaged key; reading two billion missing
    // values would hang the start-up.
    const int32_t count = std::clamp(store.ReadDword(kBookmarkCountName).value_or(0), 0,
                                     static_cast<int32_t>(kMaxBookmarks));
    std::vector<std::wstring> paths;
    for (int32_t i = 1; i <= count; ++i) {
        std::optional<std::wstring> path = store.ReadString(BookmarkValueName(i));
        if (path && !path->empty()) paths.push_back(std::move(*path));
    }
    return paths;
}

void SaveBookmarks(ValueStore& store, std::span<const std::wstring> paths) {
    const size_t count = std::min(paths.size(), static_cast<size_t>(kMaxBookmarks));
    // An emptied list is stored as count 0, so the old entries do not come back.
    store.WriteDword(kBookmarkCountName, static_cast<int32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        store.WriteString(BookmarkValueName(static_cast<int>(i + 1)), paths[i]);
    }
}

AddDecision DecideAdd(std::wstring_view candidate) {
    std::wstring path = CutAtNul(candidate);
    if (path.empty()) return {AddVerdict::Nothing, {}};
    if (IsRefusedExecutable(path)) return {AddVerdict::Executable, std::move(path)};
    return {AddVerdict::Add, std::move(path)};
}

}  // namespace zr
