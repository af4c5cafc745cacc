#include "follow/newest_file.h"

#include "follow/path_rules.h"

namespace zr {
namespace {

// Capitals for the small letters of the blocks whose case pairs sit a fixed distance apart.
// The file system's own table folds more; folding less only makes the match narrower.
wchar_t Fold(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 0x20);
    if (c < 0xE0) return c;
    if ((c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) {
        return static_cast<wchar_t>(c - 0x20);
    }
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 0x50);
    return c;
}

size_t LastSeparator(std::wstring_view path) {
    return path.find_last_of(L"\\/");
}

// '*' and '?' alone. On a mismatch the last '*' takes one more character and the match goes
// on from there: no earlier '*' ever needs to take more, so this stays linear per '*'.
bool MatchesPlain(std::wstring_view name, std::wstring_view pattern) {
    size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++, starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p, ++n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1, n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// Negative, zero or positive as a sorts before, with or after b.
int CompareNames(std::wstring_view a, std::wstring_view b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return Fold(a[i]) < Fold(b[i]) ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);  // names that differ in case alone, where the file system allows them
}

}  // namespace

bool IsNamePattern(std::wstring_view path) {
    const size_t sep = LastSeparator(path);
    return path.find_first_of(L"*?", sep == std::wstring_view::npos ? 0 : sep + 1) !=
           std::wstring_view::npos;
}

PatternPath SplitPatternPath(std::wstring_view path) {
    size_t cut = LastSeparator(path);
    if (cut != std::wstring_view::npos) {
        ++cut;
    } else {
        const bool drive =
            path.size() >= 2 && path[1] == L':' &&
            ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
        cut = drive ? 2 : 0;
    }
    return {std::wstring(path.substr(0, cut)), std::wstring(path.substr(cut))};
}

bool MatchesName(std::wstring_view name, std::wstring_view pattern) {
    if (MatchesPlain(name, pattern)) return true;
    // The dot of a closing ".*" may stand for the end of the name, as it does for the system.
    return pattern.ends_with(L".*") && MatchesPlain(name, pattern.substr(0, pattern.size() - 2));
}

const FolderEntry* PickNewest(const std::vector<FolderEntry>& entries,
                              std::wstring_view namePattern) {
    const FolderEntry* best = nullptr;
    for (const FolderEntry& e : entries) {
        if (e.isFolder || IsRefusedExecutable(e.name) || !MatchesName(e.name, namePattern)) {
            continue;
        }
        if (!best || e.lastWrite > best->lastWrite ||
            (e.lastWrite == best->lastWrite && CompareNames(e.name, best->name) > 0)) {
            best = &e;
        }
    }
    return best;
}

std::optional<std::wstring> FindNewest(FolderLister& lister, std::wstring_view patternPath) {
    const PatternPath split = SplitPatternPath(patternPath);
    const auto entries = lister.List(split.folder, split.name);
    if (!entries) return std::nullopt;
    const FolderEntry* newest = PickNewest(*entries, split.name);
    if (!newest) return std::nullopt;
    return split.folder + newest->name;
}

bool RecheckPolicy::Due(Clock::time_point now, bool grew) {
    if (!atOnce_ && (grew || now - last_ < kGap)) return false;
    atOnce_ = false;
    last_ = now;
    return true;
}

}  // namespace zr
