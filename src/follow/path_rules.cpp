#include "follow/path_rules.h"

namespace zr {

std::wstring CutAtNul(std::wstring_view path) {
    return std::wstring(path.substr(0, path.find(L'\0')));
}

bool IsRefusedExecutable(std::wstring_view path) {
    return path.ends_with(L"exe");
}

}  // namespace zr
