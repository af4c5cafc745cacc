#include "common/list_box_win.h"

#include <algorithm>

namespace zr {

namespace {
int Index(LRESULT answer) {
    return answer < 0 ? -1 : static_cast<int>(answer);
}
}  // namespace

int ListAdd(HWND list, const std::wstring& text) {
    return Index(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int ListCount(HWND list) {
    return list ? std::max(Index(SendMessageW(list, LB_GETCOUNT, 0, 0)), 0) : 0;
}

std::wstring ListItemText(HWND list, int index) {
    const int length = Index(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = Index(SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

int ListSelection(HWND list) {
    return Index(SendMessageW(list, LB_GETCURSEL, 0, 0));
}

void ListSelect(HWND list, int index) {
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ListDelete(HWND list, int index) {
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void ListClear(HWND list) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
}

}  // namespace zr
