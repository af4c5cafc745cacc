#include "mainwindow/main_menu_win.h"

#include <vector>

namespace zr {

namespace {

struct MenuEntry {
    enum Kind { Popup, Item, Separator };
    Kind kind;
    int level;  // 0 on the bar, 1 under the last popup of level 0, 2 under one of level 1...
    int id;
    const wchar_t* caption;  // as the bar is created
    const wchar_t* whenOff;  // switching items: while what it switches is off...
    const wchar_t* whenOn;   // ...and while it is on
    bool grayed;
};

constexpr MenuEntry Popup(int level, const wchar_t* caption) {
    return {MenuEntry::Popup, level, 0, caption, nullptr, nullptr, false};
}
constexpr MenuEntry Item(int level, int id, const wchar_t* caption, bool grayed = false) {
    return {MenuEntry::Item, level, id, caption, nullptr, nullptr, grayed};
}
constexpr MenuEntry Separator(int level) {
    return {MenuEntry::Separator, level, 0, nullptr, nullptr, nullptr, false};
}
// An item that starts with the caption for "off" unless it has a first caption of its own.
constexpr MenuEntry Switch(int level, int id, const wchar_t* whenOff, const wchar_t* whenOn,
                           const wchar_t* first = nullptr) {
    return {MenuEntry::Item, level, id, first ? first : whenOff, whenOff, whenOn, false};
}

constexpr bool kGrayed = true;

const MenuEntry kMenu[] = {
    Popup(0, L"ファイル(&F)"),
    Item(1, IDM_OPEN, L"開く(&O)"),
    Item(1, IDM_BOOT, L"追加起動(&L)", kGrayed),
    Separator(1),
    Item(1, IDM_EXIT, L"終了(&X)"),

    Popup(0, L"表示(&V)"),
    Switch(1, IDM_BOOKMARK, L"ブックマークの表示(&B)", L"ブックマークの非表示(&B)"),
    // The item keeps its own access key F in both captions.
    Switch(1, IDM_FILESEARCH, L"ファイル検索の表示(&F)", L"ファイル検索の非表示(&F)"),
    Separator(1),
    // Until it is first used, the item carries a shorter caption.
    Switch(1, IDM_WINPOS, L"常に手前に表示 ON(&T)", L"常に手前に表示 OFF(&T)",
           L"手前に表示 ON(&T)"),
    // What it switches is line wrapping: wrapped lines need no horizontal scrolling.
    Switch(1, IDM_RSCROLL, L"横スクロール非表示(&V)", L"横スクロール表示(&V)"),

    Popup(0, L"ツール(&T)"),
    Item(1, IDM_OPTION, L"オプション(&O)"),

    Popup(0, L"ヘルプ(&H)"),
    Item(1, IDM_VER, L"バージョン情報(&A)"),
};

}  // namespace

HMENU CreateMainMenu() {
    std::vector<HMENU> open{CreateMenu()};  // the menu each level appends to
    for (const MenuEntry& e : kMenu) {
        open.resize(static_cast<size_t>(e.level) + 1);
        HMENU parent = open.back();
        switch (e.kind) {
            case MenuEntry::Popup: {
                HMENU popup = CreatePopupMenu();
                AppendMenuW(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), e.caption);
                open.push_back(popup);
                break;
            }
            case MenuEntry::Item:
                AppendMenuW(parent, MF_STRING | (e.grayed ? MF_GRAYED : 0),
                            static_cast<UINT_PTR>(e.id), e.caption);
                break;
            case MenuEntry::Separator:
                AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
                break;
        }
    }
    return open.front();
}

const wchar_t* SwitchCaption(int id, bool on) {
    for (const MenuEntry& e : kMenu) {
        if (e.kind == MenuEntry::Item && e.id == id && e.whenOff) return on ? e.whenOn : e.whenOff;
    }
    return nullptr;
}

}  // namespace zr
