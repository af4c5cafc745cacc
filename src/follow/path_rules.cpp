#include "follow/path_rules.h"

namespace zr {

std::wstring CutAtNul(std::wstring_view path) {
    return std::wstring(path.substr(0, path.find(L'\0')));
}

bool IsRefusedExecutable(std::wstring_view path) {
    if (path.size() < 3) return false;
    const std::wstring_view last = path.substr(path.size() - 3);
    // ASCII letters only: the system's names compare without case, but a full-width "ｅｘｅ"
    // is another name.
    for (size_t i = 0; i < 3; ++i) {
        const wchar_t c = last[i];
        const wchar_t lower = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        if (lower != L"exe"[i]) return false;
    }
    return true;
}

}  // namespace zr
