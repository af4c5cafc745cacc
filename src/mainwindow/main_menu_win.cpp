#include "mainwindow/main_menu_win.h"

#include <vector>

#include "mainwindow/encodings.h"

namespace zr {

namespace {

struct MenuEntry {
    enum Kind { Popup, Item, Separator, EncodingItems };
    Kind kind;
    int level;  // 0 on the bar, 1 under the last popup of level 0, 2 under one of level 1...
    int id;
    const wchar_t* caption;  // as the bar is created
    const wchar_t* whenOff;  // switching items: while what it switches is off...
    const wchar_t* whenOn;   // ...and while it is on
};

constexpr MenuEntry Popup(int level, const wchar_t* caption) {
    return {MenuEntry::Popup, level, 0, caption, nullptr, nullptr};
}
constexpr MenuEntry Item(int level, int id, const wchar_t* caption) {
    return {MenuEntry::Item, level, id, caption, nullptr, nullptr};
}
constexpr MenuEntry Separator(int level) {
    return {MenuEntry::Separator, level, 0, nullptr, nullptr, nullptr};
}
// One item per encoding, from the table of encodings.
constexpr MenuEntry EncodingItems(int level) {
    return {MenuEntry::EncodingItems, level, 0, nullptr, nullptr, nullptr};
}
// An item that starts with the caption for "off" unless it has a first caption of its own.
constexpr MenuEntry Switch(int level, int id, const wchar_t* whenOff, const wchar_t* whenOn,
                           const wchar_t* first = nullptr) {
    return {MenuEntry::Item, level, id, first ? first : whenOff, whenOff, whenOn};
}

const MenuEntry kMenu[] = {
    Popup(0, L"ファイル(&F)"),
    Item(1, IDM_OPEN, L"開く(&O)"),
    Item(1, IDM_NEWEST, L"フォルダーの最新ファイル(&N)..."),
    Item(1, IDM_BOOT, L"追加起動(&L)"),
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
    Separator(1),
    Popup(1, L"文字コード(&E)"),
    EncodingItems(2),
    Separator(1),
    Item(1, IDM_FILTER, L"フィルター(&I)\tCtrl+L"),

    Popup(0, L"ツール(&T)"),
    Item(1, IDM_FIND, L"検索(&F)...\tCtrl+F"),
    Item(1, IDM_HIGHLIGHT, L"強調表示(&H)..."),
    Item(1, IDM_OPTION, L"オプション(&O)"),

    Popup(0, L"ヘルプ(&H)"),
    Item(1, IDM_VER, L"バージョン情報(&A)"),
};

// The display's context menu.
const MenuEntry kDisplayMenu[] = {
    Item(0, IDM_COPY, L"コピー(&C)\tCtrl+C"),
    Item(0, IDM_SELECT_ALL, L"すべて選択(&A)\tCtrl+A"),
    Separator(0),
    Item(0, IDM_FIND, L"検索(&F)...\tCtrl+F"),
};

// Copy and select all are the display's own keys; these work wherever the focus is in the
// main window.
const ACCEL kAccelerators[] = {
    {FCONTROL | FVIRTKEY, 'F', IDM_FIND},
    {FCONTROL | FVIRTKEY, 'L', IDM_FILTER},
    {FVIRTKEY, VK_F3, IDM_FIND_NEXT},
    {FSHIFT | FVIRTKEY, VK_F3, IDM_FIND_PREVIOUS},
};

template <size_t N>
HMENU Build(const MenuEntry (&entries)[N], bool bar) {
    std::vector<HMENU> open{bar ? CreateMenu() : CreatePopupMenu()};  // what each level appends to
    for (const MenuEntry& e : entries) {
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
                AppendMenuW(parent, MF_STRING, static_cast<UINT_PTR>(e.id), e.caption);
                break;
            case MenuEntry::Separator:
                AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
                break;
            case MenuEntry::EncodingItems:
                for (const EncodingEntry& encoding : Encodings()) {
                    AppendMenuW(parent, MF_STRING,
                                static_cast<UINT_PTR>(EncodingItem(encoding.value)),
                                encoding.caption);
                }
                break;
        }
    }
    return open.front();
}

}  // namespace

void MainMenu::Attach(HWND window) {
    window_ = window;
    menu_ = Build(kMenu, true);
    SetMenu(window, menu_);
}

void MainMenu::ShowSwitch(int id, bool on) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = const_cast<wchar_t*>(SwitchCaption(id, on));
    SetMenuItemInfoW(menu_, static_cast<UINT>(id), FALSE, &mii);
    DrawMenuBar(window_);
}

void MainMenu::Check(int id, bool on) {
    CheckMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void MainMenu::CheckEncoding(TextEncoding encoding) {
    CheckMenuRadioItem(menu_, EncodingItem(Encodings().front().value),
                       EncodingItem(Encodings().back().value), EncodingItem(encoding),
                       MF_BYCOMMAND);
}

HMENU CreateDisplayMenu() {
    return Build(kDisplayMenu, false);
}

HACCEL CreateMainAccelerators() {
    return CreateAcceleratorTableW(const_cast<ACCEL*>(kAccelerators),
                                   static_cast<int>(std::size(kAccelerators)));
}

const wchar_t* SwitchCaption(int id, bool on) {
    for (const MenuEntry& e : kMenu) {
        if (e.kind == MenuEntry::Item && e.id == id && e.whenOff) return on ? e.whenOn : e.whenOff;
    }
    return nullptr;
}

}  // namespace zr
