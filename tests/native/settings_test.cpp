#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "settings/settings.h"

namespace zr {
namespace {

// A value store in memory that keeps types apart, as the registry does, and records the
// order of reads and writes.
class MapStore : public ValueStore {
  public:
    std::map<std::wstring, std::variant<int32_t, std::wstring>, std::less<>> values;
    std::vector<std::pair<std::wstring, ValueType>> reads, writes;

    std::optional<int32_t> ReadDword(std::wstring_view name) override {
        reads.emplace_back(name, ValueType::Dword);
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<int32_t>(it->second)) return {};
        return std::get<int32_t>(it->second);
    }
    std::optional<std::wstring> ReadString(std::wstring_view name) override {
        reads.emplace_back(name, ValueType::Sz);
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<std::wstring>(it->second)) return {};
        return std::get<std::wstring>(it->second);
    }
    bool WriteDword(std::wstring_view name, int32_t value) override {
        writes.emplace_back(name, ValueType::Dword);
        values[std::wstring(name)] = value;
        return true;
    }
    bool WriteString(std::wstring_view name, std::wstring_view value) override {
        writes.emplace_back(name, ValueType::Sz);
        values[std::wstring(name)] = std::wstring(value);
        return true;
    }
};

using D = ValueType;
const std::vector<std::pair<std::wstring, ValueType>> kDialogValues = {
    {L"Load Window Size", D::Dword},
    {L"Load Right Scroll", D::Dword},
    {L"Load Window Proc", D::Dword},
    {L"Load File Search", D::Dword},
    {L"Load Book Mark", D::Dword},
    {L"Insert Text", D::Dword},
    {L"Window Pos", D::Dword},
    {L"Read Interval", D::Dword},
    {L"Back Color", D::Dword},
    {L"Fore Color", D::Dword},
    {L"Font Name", D::Sz},
    {L"Font Size", D::Dword},
    {L"Bold", D::Dword},
    {L"Italic", D::Dword},
    {L"Notice", D::Dword},
    {L"Blink", D::Dword},
    {L"Notice Window Pos", D::Dword},
    {L"Play Wave", D::Dword},
    {L"Wave FilePath", D::Sz},
    {L"Notice String1", D::Sz},
    {L"Notice String2", D::Sz},
    {L"Notice String3", D::Sz},
};

TEST(SettingsLoad, FirstRunReadsEveryValueInOrderAndTakesEveryDefault) {
    MapStore store;
    Settings s;
    const StartupValues startup = LoadSettings(store, s);
    auto expected = kDialogValues;
    expected.emplace_back(L"Window Top", D::Dword);
    expected.emplace_back(L"Window Left", D::Dword);
    expected.emplace_back(L"Insert String", D::Sz);
    EXPECT_EQ(store.reads, expected);
    EXPECT_EQ(s.ReadInterval, 1000);
    EXPECT_EQ(s.BackColor, L"16777215");
    EXPECT_EQ(s.ForeColor, L"0");
    EXPECT_EQ(s.FontName, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(s.FontSize, 9);
    for (bool flag : {s.LoadWindowSize, s.LoadRightScroll, s.LoadWindowProc, s.LoadFileSearch,
                      s.LoadBookMark, s.InsertText, s.WindowPos, s.Bold, s.Italic, s.Notice,
                      s.Blink, s.NoticeWindowPos, s.PlayWave}) {
        EXPECT_FALSE(flag);
    }
    EXPECT_EQ(s.WaveFilePath, L"");
    for (const auto& n : s.NoticeString) EXPECT_EQ(n, L"");
    EXPECT_FALSE(startup.windowTop.has_value());
    EXPECT_EQ(startup.insertString, L"");
    EXPECT_TRUE(store.writes.empty()) << "defaults are never written back";
}

TEST(SettingsLoad, StoredValuesAreReadByTheirType) {
    MapStore store;
    store.values = {
        {L"Notice", 2},
        {L"Bold", -1},
        {L"Italic", 0},  // any non-zero DWORD is on
        {L"Read Interval", L"250"},
        {L"Font Name", 7},  // of the wrong type: the default
        {L"Back Color", L"red"},
        {L"Fore Color", 255},
        {L"Wave FilePath", L"C:\\" + std::wstring(1000, L'x') + L".wav"},  // read whole
    };
    Settings s;
    LoadSettings(store, s);
    EXPECT_TRUE(s.Notice);
    EXPECT_TRUE(s.Bold);
    EXPECT_FALSE(s.Italic);
    EXPECT_EQ(s.ReadInterval, 1000);
    EXPECT_EQ(s.FontName, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(s.BackColor, L"16777215");
    EXPECT_EQ(s.ForeColor, L"255") << "a colour keeps its decimal text";
    EXPECT_EQ(s.WaveFilePath.size(), 1007u);
    // ...and the next store writes an "on" back as 1.
    SetRegistry(store, s);
    EXPECT_EQ(std::get<int32_t>(store.values[L"Notice"]), 1);
}

TEST(WindowPosition, AppliedOnlyWhenOnAndBothStored) {
    struct Case {
        bool on;
        std::optional<int32_t> top, left;
        bool applied;
    };
    const Case cases[] = {
        {true, 1500, 3000, true},
        {false, 1500, 3000, false},
        {true, -50, 3000, false},
        {true, 1500, -50, false},
        {true, std::nullopt, 3000, false},
        {true, 1500, std::nullopt, false},
        {true, -49, 0, true},
    };
    for (const auto& c : cases) {
        MapStore store;
        store.values[L"Window Pos"] = c.on ? 1 : 0;
        if (c.top) store.values[L"Window Top"] = *c.top;
        if (c.left) store.values[L"Window Left"] = *c.left;
        Settings s;
        const StartupValues startup = LoadSettings(store, s);
        EXPECT_EQ(startup.windowTop.has_value(), c.applied);
        if (c.applied) {
            EXPECT_EQ(*startup.windowTop, *c.top);
            EXPECT_EQ(*startup.windowLeft, *c.left);
        }
    }
}

TEST(SettingsStore, WritesTheTwentyTwoValuesInOrderAndEveryFieldComesBack) {
    Settings a;
    a.LoadWindowSize = a.LoadFileSearch = a.InsertText = a.Bold = a.Blink = a.PlayWave = true;
    a.ReadInterval = 250;
    a.BackColor = L"0";
    a.ForeColor = L"65280";
    a.FontName = L"IPAGothic";
    a.FontSize = 14;
    a.WaveFilePath = L"C:\\sounds\\鐘.wav";
    a.NoticeString = {L"ERROR", L"", L"致命的"};
    MapStore first, second;
    SetRegistry(first, a);
    EXPECT_EQ(first.writes, kDialogValues);
    EXPECT_EQ(std::get<int32_t>(first.values[L"Fore Color"]), 65280);
    EXPECT_EQ(std::get<std::wstring>(first.values[L"Notice String3"]), L"致命的");
    Settings b;
    LoadSettings(first, b);
    SetRegistry(second, b);
    EXPECT_EQ(second.values, first.values);
}

TEST(ReadInterval, OutOfRangeRunsAtOneSecond) {
    EXPECT_EQ(EffectiveReadInterval(1), 1);
    EXPECT_EQ(EffectiveReadInterval(99999), 99999);
    EXPECT_EQ(EffectiveReadInterval(0), 1000);
    EXPECT_EQ(EffectiveReadInterval(-5), 1000);
    EXPECT_EQ(EffectiveReadInterval(100000), 1000);
}

}  // namespace
}  // namespace zr
