#include "side_window_helpers.h"

#include "common/twips.h"

namespace zr::test {

namespace {

std::wstring ItemText(HWND control, UINT getLength, UINT getText, int index) {
    const LRESULT length = SendMessageW(control, getLength, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, getText, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

struct Search {
    DWORD pid;
    const wchar_t* className;
    bool shownOnly;
    HWND first;
    int count;
};

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (pid == search->pid && wcscmp(name, search->className) == 0 &&
        (!search->shownOnly || IsWindowVisible(hwnd))) {
        if (!search->first) search->first = hwnd;
        ++search->count;
    }
    return TRUE;
}

Search Find(DWORD pid, const wchar_t* className, bool shownOnly) {
    Search search{pid, className, shownOnly, nullptr, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&search));
    return search;
}

}  // namespace

std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) items.push_back(ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, i));
    return items;
}

std::wstring ComboSelection(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) return {};
    return ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<int>(index));
}

int IndexOf(HWND list, const std::wstring& text) {
    const std::vector<std::wstring> items = ListItems(list);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) return static_cast<int>(i);
    }
    return -1;
}

void DoubleClickItem(HWND list, int index) {
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
}

void MouseClick(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
}

bool HasVisibleStyle(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

TwipsBox OuterTwips(HWND window, int dpi) {
    RECT r{};
    GetWindowRect(window, &r);
    return TwipsBox{PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi),
                    PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi)};
}

int CountOwnWindows(const wchar_t* className) {
    return Find(GetCurrentProcessId(), className, false).count;
}

HWND FindShownWindow(DWORD pid, const wchar_t* className) {
    return Find(pid, className, true).first;
}

CurrentFolder::CurrentFolder(const std::wstring& folder) {
    wchar_t buf[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, buf);
    previous_ = buf;
    SetCurrentDirectoryW(folder.c_str());
}

CurrentFolder::~CurrentFolder() {
    SetCurrentDirectoryW(previous_.c_str());
}

}  // namespace zr::test
