// The rules dialog 強調表示: an ordered list of highlight rules that the user adds to, changes,
// deletes from and puts in order, each rule edited below the list. It works on a copy of the
// rules; OK stores them and hands them back, キャンセル, Escape and the close box keep nothing.
#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "common/handles_win.h"
#include "common/window_win.h"
#include "highlight/highlighter.h"

namespace zr {

enum HighlightControlId : int {
    IDC_HL_LIST = 500,
    IDC_HL_UP,
    IDC_HL_DOWN,
    IDC_HL_DELETE,
    IDC_HL_FRAME,
    IDC_HL_TERM_LABEL,
    IDC_HL_TERM,
    IDC_HL_CASE,
    IDC_HL_WIDTH,
    IDC_HL_KANA,
    IDC_HL_WHOLE_LINE,
    IDC_HL_MATCHED_TEXT,
    IDC_HL_FORE,
    IDC_HL_BACK,
    IDC_HL_PREVIEW,
    IDC_HL_ADD,
    IDC_HL_CHANGE,
    IDC_HL_OK,
    IDC_HL_CANCEL,
};

inline constexpr wchar_t kHighlightClass[] = L"ZororuvHighlight";
inline constexpr wchar_t kHighlightCaption[] = L"強調表示";
inline constexpr wchar_t kHighlightNoTerm[] = L"強調する文字列を入力してください。";
// What a new rule starts with: black on yellow, as a highlighter pen marks paper.
inline constexpr uint32_t kNewRuleFore = 0x000000;
inline constexpr uint32_t kNewRuleBack = 0x00FFFF;

class HighlightDialog final : public Window {
  public:
    // Shows the dialog over `owner` with `rules`; every other window of the program takes no
    // input until it closes. OK stores the rules in the registry (a refused store is told
    // once, and the rules are handed back all the same, for this run) and puts them into
    // `rules`: true. Otherwise `rules` and the registry stay as they were: false.
    static bool Run(HWND owner, std::vector<HighlightRule>& rules);

    // A rule as the list shows it: its term, then what it colours and which differences it
    // ignores, e.g. "ERROR  [一致 Aa 全半]".
    static std::wstring ListText(const HighlightRule& rule);

  private:
    HighlightDialog(HWND owner, std::vector<HighlightRule> rules)
        : owner_(owner), rules_(std::move(rules)) {}
    bool Create();
    void OnCreate(const CREATESTRUCTW& create) override;
    void OnCommand(int id, int code, HWND control) override;
    HBRUSH OnCtlColor(UINT msg, HDC dc, HWND control) override;
    void OnActivate(UINT state, bool minimized, HWND other) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;
    void OnClose() override { Close(); }

    HWND List() const { return Control(IDC_HL_LIST); }
    int Selected() const;
    void Show(const HighlightRule& rule);
    // The rule the editor holds; nothing, after telling the user, when its term has no word.
    std::optional<HighlightRule> Edited();
    void PutItem(int index, bool replace);
    void Select(int index);
    void UpdateButtons();
    void OnAdd();
    void OnChange();
    void OnDelete();
    void OnMove(int by);
    void OnColor(uint32_t& color);
    void OnOk();
    void Close();

    HWND owner_;
    std::vector<HighlightRule> rules_;
    bool confirmed_ = false;
    std::optional<OtherWindowsDisabled> othersDisabled_;
    uint32_t fore_ = kNewRuleFore;  // the colours of the rule being edited
    uint32_t back_ = kNewRuleBack;
    HWND focus_ = nullptr;  // the control to give the focus back to on reactivation
    UniqueFont uiFont_;
    UniqueBrush previewBrush_;
    COLORREF previewBrushColor_ = 0;
};

}  // namespace zr
