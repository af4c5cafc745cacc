#include "follow/notices.h"

#include <algorithm>

namespace zr {

void NoticeMatcher::SetStrings(const std::array<std::wstring, kCount>& strings) {
    strings_ = strings;
    size_t longest = 0;
    for (const auto& s : strings_) longest = std::max(longest, s.size());
    keep_ = longest > 0 ? longest - 1 : 0;
    if (carry_.size() > keep_) carry_.erase(0, carry_.size() - keep_);
}

void NoticeMatcher::Reset() {
    carry_.clear();
}

std::vector<size_t> NoticeMatcher::Find(std::wstring_view added) {
    std::vector<size_t> hits;
    if (added.empty()) return hits;

    std::wstring text;
    text.reserve(carry_.size() + added.size());
    text += carry_;
    text += added;
    const std::wstring_view all(text);
    for (size_t k = 0; k < kCount; ++k) {
        const std::wstring& s = strings_[k];
        if (s.empty()) continue;
        // The first place where an occurrence would end inside the added text.
        const size_t from = carry_.size() + 1 > s.size() ? carry_.size() + 1 - s.size() : 0;
        if (all.find(s, from) != std::wstring_view::npos) hits.push_back(k);
    }

    const size_t lineEnd = all.find_last_of(L"\r\n");
    const std::wstring_view line =
        lineEnd == std::wstring_view::npos ? all : all.substr(lineEnd + 1);
    carry_.assign(line.substr(line.size() > keep_ ? line.size() - keep_ : 0));
    return hits;
}

}  // namespace zr
