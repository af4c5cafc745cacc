// The portable rules besides following, a table for each.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <variant>

#include "about/version_text.h"
#include "bookmarks/bookmark_list.h"
#include "common/font_units.h"
#include "common/twips.h"
#include "filesearch/search_paths.h"
#include "follow/display_text.h"
#include "follow/newest_file.h"
#include "follow/notices.h"
#include "follow/path_rules.h"
#include "follow/timestamp.h"
#include "highlight/rule_store.h"
#include "mainwindow/layout.h"
#include "mainwindow/window_lines.h"
#include "settings/interval_rules.h"
#include "settings/settings.h"

namespace zr {
namespace {

using Text = std::wstring;
using Texts = std::vector<Text>;
using View = std::wstring_view;
using Value = std::variant<int32_t, Text>;
using Values = std::map<Text, Value, std::less<>>;
using Names = std::vector<std::pair<Text, ValueType>>;
using Pos = std::optional<int32_t>;

TEST(DisplayText, PiecesNeverSplitAPair) {
    const auto pieces = SplitForInsertion(L"abcd\xD83D\xDE00xyz", 5);
    EXPECT_EQ(Texts(pieces.begin(), pieces.end()), (Texts{L"abcd", L"\xD83D\xDE00xyz"}));
}

// The strings; what passes add ("/" between passes, "~" a new open of a file); what each finds.
// A string is found once in the line it completes, however many passes the line took.
TEST(Notice, StringsAreFoundOnceInTheLineTheyComplete) {
    const std::tuple<Text, Text, Text> rows[] = {
        {L"Error||エラー", L"error ERROR エラ\r/An Error: エラー, Error\r", L"/02"},
        {L"abcdefgh|zz|", L"ok\rxxabc/d/efg/h", L"///0"},
        {L"ERROR||a long notice", L"ERROR/ more/ ERROR/ERR/\rOR\r/ERR\n/OR/ERR/~/OR", L"0//0"}};
    for (const auto& [strings, passes, found] : rows) {
        NoticeMatcher m;
        std::array<Text, 3> three;
        std::wistringstream split(strings), texts(passes), hits(found);
        for (Text& s : three) std::getline(split, s, L'|');
        m.SetStrings(three);
        for (Text text, want, got; std::getline(texts, text, L'/'); want.clear(), got.clear()) {
            std::getline(hits, want, L'/');
            if (text == L"~") m.Reset();
            for (size_t k : m.Find(text == L"~" ? L"" : text)) got += L"012"[k];
            EXPECT_EQ(got, want) << text;
        }
    }
}

TEST(PathRules, TextBeforeTheFirstNulCountsAndExeInAnyCaseIsRefused) {
    EXPECT_EQ(CutAtNul(Text(L"C:\\a\0C:\\b\0", 10)) + L"|" + CutAtNul(Text(L"\0a", 2)), L"C:\\a|");
    for (auto name : {L"C:\\a.exe", L"annexe", L"exe", L"APP.EXE", L"a.Exe", L"annEXe"}) {
        EXPECT_TRUE(IsRefusedExecutable(name)) << name;
    }
    for (auto name : {L"a.exe.log", L"a.ｅｘｅ", L"xe", L"a.ex", L""}) {
        EXPECT_FALSE(IsRefusedExecutable(name)) << name;
    }
}

TEST(TimeStamp, DateAndTimeWithLeadingZerosOrTheDateAloneAtMidnight) {
    const std::pair<LocalTime, Text> rows[] = {{{2006, 5, 17, 14, 3, 22}, L"#2006-05-17 14:03:22#"},
                                               {{2001, 1, 2, 0, 0, 1}, L"#2001-01-02 00:00:01#"},
                                               {{2006, 5, 7, 0, 0, 0}, L"#2006-05-07#"}};
    for (const auto& [time, text] : rows) EXPECT_EQ(FormatTimeStamp(time), text);
}

TEST(SearchPaths, JoinsPatternsAndFolderChains) {
    EXPECT_EQ(JoinPath(L"C:\\", L"a") + L"|" + JoinPath(L"C:\\x", L"\\a"), L"C:\\a|C:\\x\\a");
    const std::tuple<Texts (*)(View), Text, Texts> rows[] = {
        {SplitPatterns, L" ; ;\t", {L"*.*"}},
        {SplitPatterns, L" *.log ; a?c.*;;my file.txt", {L"*.log", L"a?c.*", L"my file.txt"}},
        {SplitPatterns, L"..\\*.log;C:*.log;sub/*.log;*.txt", {L"*.txt"}},  // other folders
        {FolderChain, L"C:\\logs\\\\app\\", {L"C:\\", L"C:\\logs", L"C:\\logs\\app"}},
        {FolderChain, L"\\\\srv\\share\\logs", {L"\\\\srv\\share\\", L"\\\\srv\\share\\logs"}}};
    for (const auto& [fn, text, list] : rows) EXPECT_EQ(fn(text), list) << text;
    // The newest-file dialog's folder and pattern boxes: the pattern path, or why not.
    using enum PatternRefusal;
    const std::tuple<View, View, PatternRefusal, Text> boxes[] = {
        {L" C:\\logs ", L" app_*.log\t", None, L"C:\\logs\\app_*.log"},
        {L" ", L"*.log", NoFolder, L""},
        {L"C:\\", L"a.log", NotAPattern, L""},
        {L"C:\\", L"sub\\*.log", NotAPattern, L""},
        {L"C:\\", L"C:*.log", NotAPattern, L""}};
    for (const auto& [folder, pattern, refusal, path] : boxes) {
        const FolderPattern got = MakeFolderPattern(folder, pattern);
        EXPECT_EQ(std::tie(got.refusal, got.patternPath), std::tie(refusal, path)) << Text(pattern);
    }
}

TEST(Layout, ControlsFollowTheClientAreaAndASecondWindowStaysOnItsMonitor) {
    // Client width and height in twips: the display's size, the buttons' left, the insert box.
    for (auto [w, h, width, height, left, box] : {std::array{6855, 2895, 5355, 2245, 5755, 4435},
                                                  {2421, 649, 921, 0, 1321, 1},
                                                  {0, 0, 0, 0, -1100, 0}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const MainLayout l = ComputeMainLayout(w, h);
        EXPECT_TRUE(l.display == (TwipsRect{140, 500, width, height}) && l.buttonsLeft == left);
        EXPECT_EQ(l.insertBoxWidth, box);
    }
    const std::pair<PixelRect, PixelRect> cascades[] = {
        {{100, 100, 600, 400}, {123, 123, 623, 423}},
        {{900, 700, 1280, 1000}, {877, 677, 1257, 977}},  // at the corner: up and left
        {{0, 0, 1257, 977}, {23, 23, 1280, 1000}},        // just fits: down and right
        {{-50, 990, 450, 1290}, {0, 700, 500, 1000}},     // partly off the monitor
        {{0, 0, 1400, 1100}, {0, 0, 1400, 1100}}};        // larger than the monitor
    for (auto [from, to] : cascades) EXPECT_TRUE(CascadeFrom(from, 23, {0, 0, 1280, 1000}) == to);
    // Rounded as MulDiv rounds, halves away from zero.
    EXPECT_EQ(std::pair(TwipsToPixels(6855, 144), TwipsToPixels(-1100, 96)), std::pair(686, -73));
}

TEST(ReadInterval, OnlyWholeNumbersFrom1To99999AreTaken) {
    for (auto [text, ms] : {std::pair{L"1", 1}, {L"99999", 99999}, {L" 01000\t", 1000}}) {
        EXPECT_EQ(ParseReadInterval(text), ms) << text;
    }
    for (auto text : {L"0", L"100000", L"+5", L"", L"4 2", L"1.5", L"２５０", L"9999999999999"}) {
        EXPECT_EQ(ParseReadInterval(text), std::nullopt) << text;
    }
}

TEST(FontUnits, PointsAndHeightsAtTheScreensDpi) {
    for (int dpi : {96, 120, 144, 168, 192})
        for (int points = 8; points <= 24; ++points)
            EXPECT_EQ(FontHeightToPoints(-PointsToFontHeight(points, dpi), dpi), points) << dpi;
    EXPECT_EQ(PointsToFontHeight(9, 144), 18);
    // Heights of either sign; halves go to the even neighbour.
    for (auto [height, points] : {std::pair{12, 9}, {-13, 10}, {-14, 10}, {-22, 16}}) {
        EXPECT_EQ(FontHeightToPoints(height, 96), points) << height;
    }
    EXPECT_EQ(std::tuple(IsBoldWeight(500), IsBoldWeight(600)), std::tuple(false, true));
}

TEST(VersionText, MinorAndRevisionFollowEachOtherAndTheBuildIsLeftOut) {
    EXPECT_EQ(VersionText(L"Zororuv", {1, 0, 0}), L"Zororuv - Version 1.00");
    const ProgramVersion v = VersionFromFileVersion(0xFFFE0003u, 0x0007FFFFu);
    EXPECT_EQ(VersionText(L"Z", v), L"Z - Version 65534.365535");
}

const auto TypeOf = [](const Value& v) { return v.index() ? ValueType::Sz : ValueType::Dword; };

// Keeps the two value types apart, as the registry does, and records reads and writes in order.
struct MapStore : ValueStore {
    Values values;
    Names reads, writes;
    template <class T>
    std::optional<T> Read(View name) {
        reads.emplace_back(name, TypeOf(T{}));
        const auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<T>(it->second)) return std::nullopt;
        return std::get<T>(it->second);
    }
    bool Write(View name, Value v) {
        writes.emplace_back(name, TypeOf(v));
        values[Text(name)] = std::move(v);
        return true;
    }
    std::optional<int32_t> ReadDword(View n) override { return Read<int32_t>(n); }
    std::optional<Text> ReadString(View n) override { return Read<Text>(n); }
    bool WriteDword(View n, int32_t v) override { return Write(n, v); }
    bool WriteString(View n, View v) override { return Write(n, Text(v)); }
};

// The options dialog's 22 values in the order of loading and storing; type (the default's);
// default; a stored value (missing, mistyped, right) and what the next store writes back: a
// DWORD stored as text is missing, a non-zero DWORD is on (1), a colour is decimal text.
TEST(Settings, TwentyTwoValuesInOrderWithTypeAndDefaultAndStoredValuesReadByType) {
    const Text wave = L"C:\\" + Text(1000, L'x') + L".wav";  // read whole
    const std::tuple<Text, Value, std::optional<Value>, Value> rows[] = {
        {L"Load Window Size", 0, 1, 1},
        {L"Load Right Scroll", 0, L"1", 0},
        {L"Load Window Proc", 0, 7, 1},
        {L"Load File Search", 0, {}, 0},
        {L"Load Book Mark", 0, -1, 1},
        {L"Insert Text", 0, 0, 0},
        {L"Window Pos", 0, 1, 1},
        {L"Read Interval", 1000, 250, 250},
        {L"Back Color", 16777215, L"red", 16777215},
        {L"Fore Color", 0, 65280, 65280},
        {L"Font Name", L"ＭＳ Ｐゴシック", 7, L"ＭＳ Ｐゴシック"},
        {L"Font Size", 9, 14, 14},
        {L"Bold", 0, 1, 1},
        {L"Italic", 0, {}, 0},
        {L"Notice", 0, 2, 1},
        {L"Blink", 0, 0, 0},
        {L"Notice Window Pos", 0, 1, 1},
        {L"Play Wave", 0, L"", 0},
        {L"Wave FilePath", L"", wave, wave},
        {L"Notice String1", L"", L"ERROR", L"ERROR"},
        {L"Notice String2", L"", 5, L""},
        {L"Notice String3", L"", L"致命的", L"致命的"}};
    MapStore first, stored, again;
    Names order;
    Values defaults, loaded;
    for (const auto& [name, byDefault, value, after] : rows) {
        order.emplace_back(name, TypeOf(byDefault));
        defaults[name] = byDefault;
        if (value) stored.values[name] = *value;
        loaded[name] = after;
    }
    Settings s;
    LoadSettings(first, s);  // a first run; the window's place and text to insert come last
    first.reads.resize(22);
    EXPECT_EQ(std::tuple(first.reads, first.writes.size()), std::tuple(order, 0u));
    SetRegistry(first, s);
    EXPECT_EQ(std::tuple(first.writes, first.values), std::tuple(order, defaults));
    LoadSettings(stored, s);
    SetRegistry(again, s);
    EXPECT_EQ(again.values, loaded);
}

// "Window Pos" and "Insert Text" as stored, the stored position, and whether start-up applies
// it. The exit writes the position only with "Window Pos" on, the text only with "Insert Text".
TEST(Settings, StartUpAndExitValuesFollowTheirSwitches) {
    const std::tuple<int32_t, int32_t, Pos, Pos, bool> rows[] = {
        {1, 0, 1500, 3000, true}, {0, 1, 1500, 3000, false}, {1, 1, -50, 3000, false},
        {1, 0, 1500, -50, false}, {1, 0, {}, 3000, false},   {1, 1, -49, 0, true}};
    for (const auto& [windowPos, insertText, top, left, applied] : rows) {
        MapStore store, atExit;
        store.values = {{L"Window Pos", windowPos}, {L"Insert Text", insertText}};
        store.values[L"Insert String"] = L"old";
        if (top) store.values[L"Window Top"] = *top;
        if (left) store.values[L"Window Left"] = *left;
        Settings s;
        const StartupValues start = LoadSettings(store, s);
        const auto want = std::tuple(applied ? top : Pos(), applied ? left : Pos(), L"old");
        EXPECT_EQ(std::tie(start.windowTop, start.windowLeft, start.insertString), want);
        SaveExitSettings(atExit, s, 111, 222, L"typed");
        Values saved;
        if (windowPos) saved = {{L"Window Top", 111}, {L"Window Left", 222}};
        if (insertText) saved[L"Insert String"] = L"typed";
        EXPECT_EQ(atExit.values, saved) << windowPos << insertText;
    }
}

// A count, numbered entries, and what loads: no empty, mistyped or extra one. Adding cuts at NUL.
TEST(Bookmarks, ListIsACountAndNumberedPathsAndExecutablesAreRefused) {
    const std::tuple<std::optional<Value>, std::vector<Value>, Texts> rows[] = {
        {4, {L"first", 3, L"", L"last", L"beyond"}, {L"first", L"last"}},
        {{}, {L"orphan"}, {}},
        {-3, {L"a"}, {}},
        {L"1", {L"a"}, {}},
        {kMaxBookmarks + 1, std::vector<Value>(kMaxBookmarks + 1, L"x"),
         Texts(kMaxBookmarks, L"x")}};
    for (const auto& [count, entries, list] : rows) {
        MapStore key;
        if (count) key.values[L"Book Mark Count"] = *count;
        for (size_t i = 0; i < entries.size(); ++i) {
            key.values[L"Book Mark List" + std::to_wstring(i + 1)] = entries[i];
        }
        EXPECT_EQ(LoadBookmarks(key), list) << entries.size();
    }
    MapStore store;
    SaveBookmarks(store, Texts{L"日本", L"日本"});
    const Value n = 2, path = L"日本";
    EXPECT_EQ(
        store.values,
        (Values{{L"Book Mark Count", n}, {L"Book Mark List1", path}, {L"Book Mark List2", path}}));
    EXPECT_EQ(DecideAdd(Text(L"\0a", 2)).verdict, AddVerdict::Nothing);
    EXPECT_EQ(DecideAdd(Text(L"a.exe\0.log", 10)).verdict, AddVerdict::Executable);
    // A pattern is kept as it is, unless every name it matches is an executable.
    const AddDecision pattern = DecideAdd(L"C:\\l\\app_*.ex?");
    EXPECT_EQ(std::pair(pattern.verdict, pattern.path),
              std::pair(AddVerdict::Add, Text(L"C:\\l\\app_*.ex?")));
    EXPECT_EQ(DecideAdd(L"C:\\l\\app_*.EXE").verdict, AddVerdict::Executable);
}

// A window onto a file of numbered lines of every length (CR LF each) slides up and down at
// random, taking lines in at either end, letting them go at the top and being set anew; after
// every move it must know where each line it holds begins in the file and in the display.
TEST(WindowLines, EveryLineHeldIsFoundByItsOffsetAndByItsCharacters) {
    std::vector<Text> lines;
    std::vector<uint64_t> offsets{0};
    for (int k = 0; k < 400; ++k) {
        lines.push_back(Text(k % 7 * 3, L'x') + std::to_wstring(k) + L'\r');
        offsets.push_back(offsets.back() + lines.back().size() + 1);
    }
    auto piece = [&](size_t from, size_t to) {  // the text of lines [from, to), their starts
        Text text;
        for (size_t k = from; k < to; ++k) text += lines[k];
        return std::pair(
            text, std::vector<uint64_t>(offsets.begin() + from + 1, offsets.begin() + to + 1));
    };
    WindowLines window;
    size_t a = 200, b = 200;  // the lines held, as the window should know them
    window.Reset(offsets[a]);
    std::mt19937 rng(7);
    for (int move = 0; move < 2000; ++move) {
        const size_t n = rng() % 9;
        switch (rng() % 4) {
            case 0: {
                const size_t to = std::min(lines.size(), b + n);
                const auto [text, starts] = piece(b, to);
                window.AddBottom(text, offsets[to], starts);
                b = to;
                break;
            }
            case 1: {
                const size_t from = a - std::min(a, n);
                const auto [text, starts] = piece(from, a);
                window.AddTop(text, offsets[from], starts);
                a = from;
                break;
            }
            case 2: {
                const size_t chars = window.CutTop(rng() % 40, 4);
                for (size_t cut = 0; cut < chars; cut += lines[a++].size()) {
                }
                break;
            }
            default:  // set anew somewhere else
                a = b = rng() % lines.size();
                window.Reset(offsets[a]);
        }
        ASSERT_EQ(window.Top(), offsets[a]) << move;
        ASSERT_EQ(window.Bottom(), offsets[b]) << move;
        ASSERT_EQ(window.Lines(), b - a) << move;
        size_t at = 0;
        for (size_t k = a; k < b; at += lines[k++].size()) {
            ASSERT_EQ(window.CharOfLine(offsets[k]), at) << move << " line " << k;
            const WindowLines::Place place = window.LineOf(at + lines[k].size() - 1);
            ASSERT_TRUE(place.offset == offsets[k] && place.lineChar == at) << move << " " << k;
        }
        ASSERT_EQ(window.Chars(), at);
    }
    // A restart: what is held stays, stale, above the file as it is now; nothing joins it.
    window.AddAfterRestart(L"end of the old\r", 0);
    EXPECT_TRUE(window.AllStale());
    window.AddBottom(L"new\rnext", 9, {5});
    EXPECT_TRUE(window.TopStale() && !window.AllStale() && window.Open());
    EXPECT_EQ(window.CharOfLine(5), window.Chars() - 4);
    EXPECT_EQ(window.CharOfLine(0), window.Chars() - 8);
    EXPECT_TRUE(window.LineOf(0).stale);
    EXPECT_EQ(window.Bottom(), 9u);
    window.CutTop(window.Chars() - 8);  // the old lines leave the top: nothing stale is held
    EXPECT_FALSE(window.TopStale() || window.LineOf(0).stale);
    // A line longer than a block comes in at the top in two parts, and is one line.
    WindowLines part;
    part.Reset(10);
    part.AddBottom(L"klm\rn", 15, {14});
    part.AddTop(L"abcdefghij", 0, {});
    EXPECT_TRUE(part.Lines() == 2 && part.LineOf(12).offset == 0 && part.CharOfLine(14) == 14);
}

// A pattern path split; the names a pattern takes and leaves; the newest of one listing for
// each pattern; whether a pass checks the folder again (at a negative time, once asked to).
TEST(NewestFile, PatternsTakeLongNamesAndTheNewestIsTheLatestThenTheLastName) {
    const std::array<const wchar_t*, 3> splits[] = {{L"C:\\l\\a_*.log", L"C:\\l\\", L"a_*.log"},
                                                    {L"\\\\srv\\s/x?", L"\\\\srv\\s/", L"x?"},
                                                    {L"C:*.log", L"C:", L"*.log"},
                                                    {L"*", L"", L"*"}};
    for (auto [path, folder, name] : splits) {
        const PatternPath split = SplitPatternPath(path);
        EXPECT_TRUE(IsNamePattern(path) && split.folder == folder && split.name == name) << path;
    }
    for (auto path : {L"C:\\l*\\a.log", L"C:\\l\\", L"a.log"}) EXPECT_FALSE(IsNamePattern(path));
    const std::tuple<View, Texts, Texts> matches[] = {
        {L"app_*.log", {L"app_.log", L"APP_2.LOG", L"app_1.x.log"}, {L"app_1.log.1", L"xapp_.log"}},
        {L"a?c", {L"abc", L"aＸc"}, {L"ac", L"abbc", L""}},
        {L"*a*b", {L"ab", L"xaxbyb", L"aab"}, {L"aba", L"ba"}},
        {L"*.*", {L"noext", L"a.b"}, {}},
        {L"ＬＯＧ*×", {L"ｌｏｇ1×"}, {L"LOG1×", L"ｌｏｇ1÷"}},
        {L"ÀТΣΣ", {L"àтσς"}, {L"AТΣΣ"}}};
    for (const auto& [pattern, taken, left] : matches) {
        for (const Text& name : taken) EXPECT_TRUE(MatchesName(name, pattern)) << name;
        for (const Text& name : left) EXPECT_FALSE(MatchesName(name, pattern)) << name;
    }
    const std::vector<FolderEntry> listing = {
        {L"a_1.log", 5}, {L"a_2.log", 9}, {L"a_3.log", 9},  {L"a_4.log", 20, true},
        {L"B.txt", 30},  {L"a.txt", 30},  {L"c.cfg", 35},   {L"C.cfg", 35},
        {L"x1", 40},     {L"x", 40},      {L"run.exe", 99}, {L"logs", 98, true}};
    const std::pair<const wchar_t*, const wchar_t*> newest[] = {{L"a_*.log", L"a_3.log"},
                                                                {L"*.txt", L"B.txt"},
                                                                {L"*.cfg", L"c.cfg"},
                                                                {L"*", L"x1"},
                                                                {L"*.none", L""}};
    for (auto [pattern, name] : newest) {
        const FolderEntry* got = PickNewest(listing, pattern);
        EXPECT_EQ(got ? got->name : L"", name) << pattern;
    }
    const std::tuple<int, bool, bool> passes[] = {
        {0, true, true},      {1000, false, false}, {3000, true, false}, {3000, false, true},
        {5999, false, false}, {7000, false, true},  {-7001, true, true}, {7002, false, false}};
    RecheckPolicy policy;
    for (auto [ms, grew, due] : passes) {
        if (ms < 0) policy.CheckNextPass();
        const auto now = RecheckPolicy::Clock::time_point(std::chrono::milliseconds(std::abs(ms)));
        EXPECT_EQ(policy.Due(now, grew), due) << ms;
    }
}

// One list of rules, each line coloured by the first that matches it: the whole line, or every
// match (ｶﾞ is two units that match as ガ); a rule of no word colours nothing.
TEST(Highlighter, TheFirstRuleThatMatchesColoursTheLineOrEachMatch) {
    const MatchOptions caseKept{false, true, false}, kana{true, true, true};
    const HighlightRule rules[] = {{L"", {}, 1, 1, true},     {L" \x3000", {}, 1, 1, true},
                                   {L"ERROR", {}, 1, 2},      {L"WARN", caseKept, 3, 4, true},
                                   {L"ｶﾞｲﾄﾞ", {}, 5, 6},      {L"えらー", kana, 7, 8, true},
                                   {L"disk", {}, 9, 10, true}};
    using Spans = std::vector<HighlightSpan>;
    const std::pair<View, Spans> rows[] = {{L"an ERROR, an error", {{3, 8, 1, 2}, {13, 18, 1, 2}}},
                                           {L"WARN disk ERROR", {{10, 15, 1, 2}}},
                                           {L"WARN: disk", {{0, 10, 3, 4}}},
                                           {L"warn: disk", {{0, 10, 9, 10}}},
                                           {L"ガイド と ｶﾞｲﾄﾞ", {{0, 3, 5, 6}, {6, 11, 5, 6}}},
                                           {L"エラー発生", {{0, 5, 7, 8}}},
                                           {L"quiet", {}}};
    Highlighter h(rules);
    Spans spans;  // one buffer for every line, as the display keeps it
    for (const auto& [line, want] : rows) {
        h.Spans(line, spans);
        EXPECT_EQ(spans, want) << std::wstring(line).size();
    }
    EXPECT_TRUE(Highlighter(std::span(rules, 2)).Empty());
}

// The stored form of a rule, read back; damaged or foreign entries skipped; the new list written
// before the old one's extra entries go, and a refused write leaving the count as it was.
TEST(HighlightStore, RulesReadBackAsWrittenAndDamagedEntriesAreSkipped) {
    const std::pair<View, HighlightRule> texts[] = {
        {L"text,cw,#C00000,#FFFF00,ERROR", {L"ERROR", {}, 0x0000C0, 0x00FFFF, false}},
        {L"line,,#000000,#ffffff,a,b", {L"a,b", {false, false, false}, 0, 0xFFFFFF, true}},
        {L"line,kwc,#0000FF,#00FF00, ｶﾞ", {L" ｶﾞ", {true, true, true}, 0xFF0000, 0xFF00, true}}};
    for (const auto& [text, rule] : texts) EXPECT_EQ(RuleFromText(text), rule) << Text(text);
    EXPECT_EQ(RuleToText(texts[0].second), texts[0].first);
    for (View bad :
         {L"text,cw,#C00000,#FFFF00,", L"LINE,cw,#C00000,#FFFF00,a", L"text,cc,#C00000,#FFFF00,a",
          L"text,x,#C00000,#FFFF00,a", L"text,c,#C0000,#FFFF00,a", L"text,c,#C0000G,#FFFF00,a",
          L"text,c,#C00000,FFFF00,a", L"text,c,#C00000", L"16777215", L""}) {
        EXPECT_EQ(RuleFromText(bad), std::nullopt) << Text(bad);
    }
    const Value good = Text(texts[0].first), other = RuleToText(texts[1].second);
    const std::tuple<std::optional<Value>, std::vector<Value>, Texts> rows[] = {
        {4, {good, 7, L"text,c,#1,#2,x", other, good}, {L"ERROR", L"a,b"}},
        {{}, {good}, {}},
        {1000, {other, good}, {L"a,b", L"ERROR"}},
        {kMaxHighlightRules + 1, std::vector<Value>(kMaxHighlightRules + 1, good),
         Texts(kMaxHighlightRules, L"ERROR")}};
    for (const auto& [count, entries, terms] : rows) {
        MapStore key;
        if (count) key.values[L"Rule Count"] = *count;
        for (size_t i = 0; i < entries.size(); ++i)
            key.values[RuleValueName(int(i) + 1)] = entries[i];
        Texts got;
        for (const HighlightRule& r : LoadHighlightRules(key)) got.push_back(r.term);
        EXPECT_EQ(got, terms) << entries.size();
    }
    struct Refusing : MapStore {
        View refused;                                  // the one value it does not write
        std::vector<std::pair<Text, size_t>> removed;  // with the writes made before each
        bool WriteDword(View n, int32_t v) override { return n != refused && Write(n, v); }
        bool WriteString(View n, View v) override { return n != refused && Write(n, Text(v)); }
        bool Remove(View n) override {
            removed.emplace_back(n, writes.size());
            return values.erase(Text(n)) == 1;
        }
    } store;
    store.values = {{L"Rule Count", 3}, {L"Rule1", good}, {L"Rule2", good}, {L"Rule3", good}};
    const HighlightRule two[] = {texts[1].second, texts[0].second};
    EXPECT_TRUE(SaveHighlightRules(store, two));
    EXPECT_EQ(store.values, (Values{{L"Rule Count", 2}, {L"Rule1", other}, {L"Rule2", good}}));
    EXPECT_EQ(store.removed, (decltype(store.removed){{L"Rule3", 3}}));
    for (View refused : {L"Rule Count", L"Rule1"}) {  // the store ends there: Rule2 stays
        store.refused = refused;
        EXPECT_FALSE(SaveHighlightRules(store, std::span(two + 1, 1)));
    }
    EXPECT_EQ(store.values, (Values{{L"Rule Count", 2}, {L"Rule1", good}, {L"Rule2", good}}));
}

}  // namespace
}  // namespace zr
