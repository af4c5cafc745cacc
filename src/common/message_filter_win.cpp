#include "common/message_filter_win.h"

#include <algorithm>
#include <vector>

namespace zr {

namespace {
std::vector<MessageFilter*>& Filters() {
    static std::vector<MessageFilter*> filters;
    return filters;
}
}  // namespace

void AddMessageFilter(MessageFilter* filter) {
    Filters().push_back(filter);
}

void RemoveMessageFilter(MessageFilter* filter) {
    auto& filters = Filters();
    filters.erase(std::remove(filters.begin(), filters.end(), filter), filters.end());
}

bool PreTranslate(MSG& msg) {
    // A copy: a filter may remove itself while it runs (its window closing).
    const std::vector<MessageFilter*> filters = Filters();
    for (MessageFilter* filter : filters) {
        if (filter->PreTranslate(msg)) return true;
    }
    HWND active = GetActiveWindow();
    return active && IsDialogMessageW(active, &msg);
}

}  // namespace zr
