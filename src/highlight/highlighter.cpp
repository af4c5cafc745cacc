#include "highlight/highlighter.h"

namespace zr {

Highlighter::Highlighter(std::span<const HighlightRule> rules) {
    rules_.reserve(rules.size());
    for (const HighlightRule& r : rules) {
        Matcher matcher(r.term, r.options);
        if (matcher.Empty() || matcher.Impossible()) continue;
        size_t fold = 0;
        while (fold < folds_.size() && rules_[folds_[fold].rule].matcher.Options() != r.options) {
            ++fold;
        }
        if (fold == folds_.size()) folds_.push_back({rules_.size(), {}});
        rules_.push_back({std::move(matcher), r.fore, r.back, r.wholeLine, fold});
    }
}

bool Highlighter::Matches(const Rule& rule, std::wstring_view line) {
    Fold& fold = folds_[rule.fold];
    if (!fold.done) {
        fold.text.clear();
        rules_[fold.rule].matcher.Fold().Fold(line, 0, line.size(), fold.text);
        fold.done = true;
    }
    for (const std::wstring& term : rule.matcher.Terms()) {
        if (fold.text.find(term) == std::wstring::npos) return false;
    }
    return true;
}

void Highlighter::Spans(std::wstring_view line, std::vector<HighlightSpan>& spans) {
    spans.clear();
    for (Fold& fold : folds_) fold.done = false;
    for (const Rule& rule : rules_) {
        if (!Matches(rule, line)) continue;
        if (rule.wholeLine) {
            spans.push_back({0, line.size(), rule.fore, rule.back});
        } else {
            for (const MatchRange& r : rule.matcher.Ranges(line)) {
                spans.push_back({r.begin, r.end, rule.fore, rule.back});
            }
        }
        return;
    }
}

}  // namespace zr
