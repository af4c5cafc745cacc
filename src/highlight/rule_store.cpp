#include "highlight/rule_store.h"

#include <algorithm>
#include <array>

namespace zr {

namespace {

constexpr wchar_t kHex[] = L"0123456789ABCDEF";

struct Switch {
    wchar_t letter;
    bool MatchOptions::*field;
};
constexpr std::array<Switch, 3> kSwitches = {{{L'c', &MatchOptions::ignoreCase},
                                              {L'w', &MatchOptions::ignoreWidth},
                                              {L'k', &MatchOptions::ignoreKana}}};

std::wstring ColorToHex(uint32_t color) {
    std::wstring text = L"#";
    for (int shift : {0, 8, 16}) {  // red, green, blue
        const uint32_t byte = (color >> shift) & 0xFF;
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

std::optional<uint32_t> ColorFromHex(std::wstring_view text) {
    if (text.size() != 7 || text[0] != L'#') return std::nullopt;
    uint32_t rgb = 0;
    for (wchar_t c : text.substr(1)) {
        uint32_t digit;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<uint32_t>(c - L'0');
        } else if (c >= L'A' && c <= L'F') {
            digit = static_cast<uint32_t>(c - L'A' + 10);
        } else if (c >= L'a' && c <= L'f') {
            digit = static_cast<uint32_t>(c - L'a' + 10);
        } else {
            return std::nullopt;
        }
        rgb = rgb << 4 | digit;
    }
    return (rgb >> 16) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// The text up to the next comma, taken off the front of `rest`; nothing when there is none.
std::optional<std::wstring_view> Field(std::wstring_view& rest) {
    const size_t comma = rest.find(L',');
    if (comma == std::wstring_view::npos) return std::nullopt;
    const std::wstring_view field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return field;
}

int32_t StoredCount(ValueStore& store) {
    return std::clamp(store.ReadDword(kRuleCountName).value_or(0), 0,
                      static_cast<int32_t>(kMaxHighlightRules));
}

}  // namespace

std::wstring RuleValueName(int number) {
    return kRuleValuePrefix + std::to_wstring(number);
}

std::wstring RuleToText(const HighlightRule& rule) {
    std::wstring text = rule.wholeLine ? L"line," : L"text,";
    for (const Switch& s : kSwitches) {
        if (rule.options.*s.field) text += s.letter;
    }
    return text + L',' + ColorToHex(rule.fore) + L',' + ColorToHex(rule.back) + L',' + rule.term;
}

std::optional<HighlightRule> RuleFromText(std::wstring_view text) {
    const auto scope = Field(text);
    const auto switches = Field(text);
    const auto fore = Field(text);
    const auto back = Field(text);
    if (!back || text.empty() || (*scope != L"line" && *scope != L"text")) return std::nullopt;
    HighlightRule rule;
    rule.wholeLine = *scope == L"line";
    rule.options = {false, false, false};
    for (wchar_t c : *switches) {
        const auto s = std::find_if(kSwitches.begin(), kSwitches.end(),
                                    [c](const Switch& k) { return k.letter == c; });
        if (s == kSwitches.end() || rule.options.*s->field) return std::nullopt;
        rule.options.*s->field = true;
    }
    const auto foreColor = ColorFromHex(*fore);
    const auto backColor = ColorFromHex(*back);
    if (!foreColor || !backColor) return std::nullopt;
    rule.fore = *foreColor;
    rule.back = *backColor;
    rule.term = text;
    return rule;
}

std::vector<HighlightRule> LoadHighlightRules(ValueStore& store) {
    const int32_t count = StoredCount(store);
    std::vector<HighlightRule> rules;
    for (int32_t i = 1; i <= count; ++i) {
        const std::optional<std::wstring> text = store.ReadString(RuleValueName(i));
        std::optional<HighlightRule> rule = text ? RuleFromText(*text) : std::nullopt;
        if (rule) rules.push_back(std::move(*rule));
    }
    return rules;
}

bool SaveHighlightRules(ValueStore& store, std::span<const HighlightRule> rules) {
    const int32_t count =
        static_cast<int32_t>(std::min(rules.size(), static_cast<size_t>(kMaxHighlightRules)));
    const int32_t old = StoredCount(store);
    for (int32_t i = 0; i < count; ++i) {
        if (!store.WriteString(RuleValueName(i + 1), RuleToText(rules[static_cast<size_t>(i)]))) {
            return false;
        }
    }
    if (!store.WriteDword(kRuleCountName, count)) return false;
    // Past the count nothing reads them; one that stays is no loss.
    for (int32_t i = count + 1; i <= old; ++i) store.Remove(RuleValueName(i));
    return true;
}

}  // namespace zr
