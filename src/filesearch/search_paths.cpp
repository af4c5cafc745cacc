#include "filesearch/search_paths.h"

#include "follow/newest_file.h"
#include "follow/path_rules.h"

namespace zr {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

struct SplitFolder {
    std::wstring root;  // always ends in a backslash
    std::vector<std::wstring> parts;
};

// "C:\a\b" is the root "C:\" and the parts a, b; "\\server\share\a" is the root
// "\\server\share\" and the part a.
SplitFolder Split(std::wstring_view folder) {
    SplitFolder out;
    size_t pos = 0;
    if (folder.size() >= 2 && folder[1] == L':') {
        out.root = std::wstring(folder.substr(0, 2)) + L'\\';
        pos = 2;
    } else if (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) {
        // Server and share both belong to the root.
        pos = 2;
        out.root = L"\\\\";
        for (int piece = 0; piece < 2 && pos < folder.size(); ++piece) {
            size_t end = pos;
            while (end < folder.size() && !IsSeparator(folder[end])) ++end;
            out.root += folder.substr(pos, end - pos);
            out.root += L'\\';
            pos = end < folder.size() ? end + 1 : end;
        }
    } else {
        out.root = L"\\";
    }
    while (pos < folder.size()) {
        while (pos < folder.size() && IsSeparator(folder[pos])) ++pos;
        size_t end = pos;
        while (end < folder.size() && !IsSeparator(folder[end])) ++end;
        if (end > pos) out.parts.emplace_back(folder.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

std::wstring_view Trim(std::wstring_view s) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\u3000'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
    while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
    if (folder.empty()) return std::wstring(name);
    std::wstring path(folder);
    if (!IsSeparator(path.back())) path += L'\\';
    path += name;
    return path;
}

std::vector<std::wstring> SplitPatterns(std::wstring_view text) {
    std::vector<std::wstring> patterns;
    bool anyPart = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(L';', pos);
        if (end == std::wstring_view::npos) end = text.size();
        const std::wstring_view part = Trim(text.substr(pos, end - pos));
        if (!part.empty()) {
            anyPart = true;
            if (part.find_first_of(L"\\/:") == std::wstring_view::npos) patterns.emplace_back(part);
        }
        pos = end + 1;
    }
    if (!anyPart) patterns.emplace_back(L"*.*");
    return patterns;
}

FolderPattern MakeFolderPattern(std::wstring_view folder, std::wstring_view pattern) {
    folder = Trim(folder);
    pattern = Trim(pattern);
    if (folder.empty()) return {PatternRefusal::NoFolder, {}};
    // A name with ':' would name another drive's folder ("C:*.log"), one with '\' or '/'
    // another folder; a name without a wildcard is one file, not the newest of several.
    if (pattern.find_first_of(L"\\/:") != std::wstring_view::npos || !IsNamePattern(pattern)) {
        return {PatternRefusal::NotAPattern, {}};
    }
    // Every name such a pattern matches ends in "exe".
    if (IsRefusedExecutable(pattern)) return {PatternRefusal::Executable, {}};
    return {PatternRefusal::None, JoinPath(folder, pattern)};
}

std::vector<std::wstring> FolderChain(std::wstring_view folder) {
    const SplitFolder split = Split(folder);
    std::vector<std::wstring> chain{split.root};
    std::wstring path = split.root;
    for (const auto& part : split.parts) {
        if (path.back() != L'\\') path += L'\\';
        path += part;
        chain.push_back(path);
    }
    return chain;
}

}  // namespace zr
