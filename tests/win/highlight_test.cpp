// The rules dialog in its real modal loop, acted on from inside it through a thread timer, and
// the rules as the registry keeps them, read as another program would read them.
#include "harness.h"

#include <sddl.h>

#include <map>

#include "common/messages.h"
#include "highlight/highlight_dialog_win.h"
#include "highlight/highlight_store_win.h"
#include "highlight/rule_store.h"

namespace zr::test {
namespace {

std::function<void(HWND)> g_act;  // run once on the dialog, from inside its loop

void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD) {
    if (HWND d = FindWindowW(kHighlightClass, nullptr); d && IsWindowVisible(d)) {
        KillTimer(nullptr, timer);
        g_act(d);
        if (IsWindow(d)) ADD_FAILURE() << "left open", SendMessageW(d, WM_CLOSE, 0, 0);
    }
}

bool WithDialog(HWND owner, std::vector<HighlightRule>& rules, std::function<void(HWND)> act) {
    g_act = std::move(act);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTick);
    const bool ok = HighlightDialog::Run(owner, rules);
    return KillTimer(nullptr, timer), ok;
}

void UserClick(HWND d, int id) {  // the control changes itself and tells the dialog
    SendMessageW(GetDlgItem(d, id), BM_CLICK, 0, 0);
}
void Type(HWND d, const wchar_t* text) {  // over the whole box
    SendDlgItemMessageW(d, IDC_HL_TERM, EM_SETSEL, 0, -1);
    for (; *text; ++text) SendDlgItemMessageW(d, IDC_HL_TERM, WM_CHAR, *text, 0);
}
void Pick(HWND d, int index) {  // a click on the item, which the list tells the dialog of
    RECT item{};
    SendDlgItemMessageW(d, IDC_HL_LIST, LB_GETITEMRECT, WPARAM(index), LPARAM(&item));
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP})
        SendDlgItemMessageW(d, IDC_HL_LIST, msg, 0, MAKELPARAM(item.left + 4, item.top + 2));
}

// Every value of a key as another program reads it: a DWORD as "dword:N", a text whole.
using Values = std::map<std::wstring, std::wstring>;
Values Snapshot(const wchar_t* path) {
    Values out;
    wchar_t name[256], data[2048];
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
    for (DWORD i = 0, n = 256, size = sizeof data, type = 0;
         key && !RegEnumValueW(key, i, name, &n, nullptr, &type, LPBYTE(data), &size);
         ++i, n = 256, size = sizeof data)
        out[name] = type == REG_DWORD ? L"dword:" + std::to_wstring(data[0] | DWORD(data[1]) << 16)
                                      : std::wstring(data, size / sizeof(wchar_t) - 1);
    RegCloseKey(key);
    return out;
}

// Sets who may do what with a key, as ReadOnlyConfig locks the settings' key.
void SetAccess(HKEY key, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (key && ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, 1, &sd, nullptr))
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
}

using Highlight = ConfigTest;

// Rules added, changed, moved and deleted with the controls, colours from the colour dialog;
// OK stores them under a key of their own, the settings' values untouched, and they load again.
// A damaged entry is skipped; a cancel keeps nothing; a refused store is told once, harmless.
TEST_F(Highlight, RulesMadeWithTheControlsAreStoredAndLoadAgain) {
    WriteDword(L"Fore Color", 255);
    WriteString(L"Book Mark List1", L"C:\\a.log");
    const Values settings = Snapshot(kConfigKey);
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400,
                                 nullptr, nullptr, nullptr, nullptr);
    // Each step picks an item (or none), types a term (or none), then clicks.
    const std::tuple<int, const wchar_t*, std::vector<int>> steps[] = {
        {-1, L"ERROR", {IDC_HL_FORE, IDC_HL_ADD}},
        {-1, L"ｶﾞｲﾄﾞ", {IDC_HL_KANA, IDC_HL_WHOLE_LINE, IDC_HL_ADD}},
        {-1, L" ", {IDC_HL_ADD}},  // no word: refused
        {-1, L"警告", {IDC_HL_CASE, IDC_HL_KANA, IDC_HL_MATCHED_TEXT, IDC_HL_BACK, IDC_HL_ADD}},
        {-1, L"消す", {IDC_HL_ADD}},
        {0, L"FATAL", {IDC_HL_CHANGE}},  // the editor shows the rule picked
        {2, nullptr, {IDC_HL_UP}},
        {3, nullptr, {IDC_HL_DELETE}}};
    const auto make = [&](HWND d) {
        EXPECT_FALSE(IsWindowEnabled(owner));
        for (const auto& [pick, term, clicks] : steps) {
            if (pick >= 0) Pick(d, pick);
            if (term) Type(d, term);
            ui.colorAnswer = term && term[0] == L'E' ? RGB(192, 0, 0) : RGB(0, 0, 255);
            for (int id : clicks) UserClick(d, id);
        }
        EXPECT_EQ(ListItems(GetDlgItem(d, IDC_HL_LIST)),
                  (std::vector<std::wstring>{L"FATAL  [一致 Aa 全半]", L"警告  [一致 全半]",
                                             L"ｶﾞｲﾄﾞ  [行 Aa 全半 あア]"}));
        UserClick(d, IDC_HL_OK);
    };
    std::vector<HighlightRule> rules;
    EXPECT_TRUE(WithDialog(owner, rules, make));
    const Values stored{{L"Rule Count", L"dword:3"},
                        {L"Rule1", L"text,cw,#C00000,#FFFF00,FATAL"},
                        {L"Rule2", L"text,w,#C00000,#0000FF,警告"},
                        {L"Rule3", L"line,cwk,#C00000,#FFFF00,ｶﾞｲﾄﾞ"}};
    EXPECT_EQ(std::tuple(Snapshot(kHighlightKey), Snapshot(kConfigKey), LoadHighlightRules()),
              std::tuple(stored, settings, rules));
    RegSetKeyValueW(HKEY_CURRENT_USER, kHighlightKey, L"Rule2", REG_SZ, L"16", 6);  // foreign
    rules.erase(rules.begin() + 1);
    EXPECT_EQ(LoadHighlightRules(), rules);
    const Values damaged = Snapshot(kHighlightKey);
    for (int close : {IDC_HL_CANCEL, IDC_HL_OK}) {  // OK on a read-only key
        HKEY key = nullptr;
        if (close == IDC_HL_OK)
            RegOpenKeyExW(HKEY_CURRENT_USER, kHighlightKey, 0, KEY_ALL_ACCESS, &key);
        SetAccess(key, L"D:P(A;;KR;;;WD)");  // read, nothing more
        const auto clear = [&, n = rules.size()](HWND d) {
            for (size_t i = 0; i < n; ++i) Pick(d, 0), UserClick(d, IDC_HL_DELETE);
            UserClick(d, close);
        };
        EXPECT_EQ(WithDialog(owner, rules, clear), close == IDC_HL_OK);
        EXPECT_EQ(std::tuple(rules.size(), Snapshot(kHighlightKey), Snapshot(kConfigKey)),
                  std::tuple(close == IDC_HL_OK ? 0u : 2u, damaged, settings));
        if (key) SetAccess(key, L"D:(A;;KA;;;WD)"), RegCloseKey(key);
    }
    DestroyWindow(owner);
    ASSERT_EQ(ui.messages.size(), 2u);  // the term refused, then the store, once
    EXPECT_EQ(std::tie(ui.messages[0].text, ui.messages[1].text),
              std::tuple(kHighlightNoTerm, kSettingsNotStored));
}

}  // namespace
}  // namespace zr::test
