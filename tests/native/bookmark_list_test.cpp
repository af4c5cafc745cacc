#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "bookmarks/bookmark_list.h"

namespace zr {
namespace {

// Keeps REG_DWORD and REG_SZ apart, as the registry does, and records each write in order.
class MemoryStore : public ValueStore {
  public:
    std::map<std::wstring, std::variant<int32_t, std::wstring>, std::less<>> values;
    std::vector<std::wstring> writes;
    int reads = 0;

    std::optional<int32_t> ReadDword(std::wstring_view name) override {
        ++reads;
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<int32_t>(it->second)) return {};
        return std::get<int32_t>(it->second);
    }
    std::optional<std::wstring> ReadString(std::wstring_view name) override {
        ++reads;
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<std::wstring>(it->second)) return {};
        return std::get<std::wstring>(it->second);
    }
    bool WriteDword(std::wstring_view name, int32_t value) override {
        writes.emplace_back(name);
        values[std::wstring(name)] = value;
        return true;
    }
    bool WriteString(std::wstring_view name, std::wstring_view value) override {
        writes.emplace_back(name);
        values[std::wstring(name)] = std::wstring(value);
        return true;
    }
};

using Paths = std::vector<std::wstring>;

TEST(BookmarkStore, SaveThenLoadKeepsOrderAndDuplicates) {
    MemoryStore store;
    const Paths paths = {L"C:\\logs\\b.log", L"C:\\logs\\a.log", L"C:\\logs\\b.log",
                         L"\\\\server\\share\\日本語.txt"};
    SaveBookmarks(store, paths);
    EXPECT_EQ(store.writes, (Paths{L"Book Mark Count", L"Book Mark List1", L"Book Mark List2",
                                   L"Book Mark List3", L"Book Mark List4"}));
    EXPECT_EQ(std::get<int32_t>(store.values.at(L"Book Mark Count")), 4);
    EXPECT_EQ(std::get<std::wstring>(store.values.at(L"Book Mark List2")), L"C:\\logs\\a.log");
    EXPECT_EQ(LoadBookmarks(store), paths);
}

TEST(BookmarkStore, LoadSkipsMissingEmptyAndMistypedValues) {
    MemoryStore store;
    store.values[L"Book Mark Count"] = 5;
    store.values[L"Book Mark List1"] = std::wstring(L"first");
    // 2 is missing
    store.values[L"Book Mark List3"] = 3;  // a DWORD where a text belongs
    store.values[L"Book Mark List4"] = std::wstring(L"");
    store.values[L"Book Mark List5"] = std::wstring(L"last");
    store.values[L"Book Mark List6"] = std::wstring(L"beyond the count");
    EXPECT_EQ(LoadBookmarks(store), (Paths{L"first", L"last"}));
}

TEST(BookmarkStore, MissingOrDamagedCountReadsNothing) {
    MemoryStore store;
    store.values[L"Book Mark List1"] = std::wstring(L"orphan");
    EXPECT_TRUE(LoadBookmarks(store).empty()) << "no count";
    store.values[L"Book Mark Count"] = -3;
    EXPECT_TRUE(LoadBookmarks(store).empty());
    store.values[L"Book Mark Count"] = std::wstring(L"1");
    EXPECT_TRUE(LoadBookmarks(store).empty()) << "a count stored as text";
    // A huge count is cut at the list's limit instead of reading two billion values.
    store.values[L"Book Mark Count"] = 0x7FFFFFFF;
    store.reads = 0;
    EXPECT_EQ(LoadBookmarks(store), Paths{L"orphan"});
    EXPECT_EQ(store.reads, 1 + kMaxBookmarks);
}

TEST(BookmarkStore, SaveStopsAtTheListLimit) {
    MemoryStore store;
    const Paths many(kMaxBookmarks + 2, L"x.log");
    SaveBookmarks(store, many);
    EXPECT_EQ(std::get<int32_t>(store.values.at(L"Book Mark Count")), kMaxBookmarks);
    EXPECT_FALSE(store.values.contains(BookmarkValueName(kMaxBookmarks + 1)));
    EXPECT_TRUE(store.values.contains(BookmarkValueName(kMaxBookmarks)));
}

TEST(BookmarkAdd, CutsAtTheFirstNulAndRefusesNamesEndingInLowerCaseExe) {
    using namespace std::string_literals;
    EXPECT_EQ(DecideAdd(L"").verdict, AddVerdict::Nothing);
    EXPECT_EQ(DecideAdd(L"\0C:\\a.log"s).verdict, AddVerdict::Nothing);
    const AddDecision padded = DecideAdd(L"C:\\a.log\0\0\0junk"s);
    EXPECT_EQ(padded.verdict, AddVerdict::Add);
    EXPECT_EQ(padded.path, L"C:\\a.log");

    EXPECT_EQ(DecideAdd(L"C:\\tools\\run.exe").verdict, AddVerdict::Executable);
    EXPECT_EQ(DecideAdd(L"C:\\tools\\runexe").verdict, AddVerdict::Executable) << "no dot needed";
    EXPECT_EQ(DecideAdd(L"exe").verdict, AddVerdict::Executable);
    EXPECT_EQ(DecideAdd(L"C:\\tools\\run.exe\0.log"s).verdict, AddVerdict::Executable);
    EXPECT_EQ(DecideAdd(L"C:\\TOOLS\\RUN.EXE").verdict, AddVerdict::Add);
    EXPECT_EQ(DecideAdd(L"C:\\tools\\run.Exe").verdict, AddVerdict::Add);
    EXPECT_EQ(DecideAdd(L"C:\\tools\\run.exe.log").verdict, AddVerdict::Add);
    EXPECT_EQ(DecideAdd(L"xe").verdict, AddVerdict::Add);
}

}  // namespace
}  // namespace zr
