// Following never gets in the way of the program that writes the log, and an insertion
// lands whole between that program's lines.
#include <gtest/gtest.h>

#include "harness.h"

namespace zr::test {
namespace {

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));  // an unfinished line
    return lines;
}

class FollowSharing : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearConfig();
        WriteFileBytes(log, "");
    }
    void TearDown() override { ClearConfig(); }
    ScriptedUi ui;
    TempDir dir;
    std::wstring log = dir.path(L"shared.log");
};

TEST_F(FollowSharing, WriterSharingOnlyReadingKeepsWritingAndInsertionsFail) {
    auto main = StartFollowing();
    main->OpenFile(log);
    Writer writer({L"hold", log, L"r", L"2", L"read-share writer"});
    ASSERT_TRUE(writer.Started());
    // Its lines reach the display while it still holds the file.
    ASSERT_TRUE(PumpUntil([&] {
        return DisplayText(*main).starts_with(
            L"read-share writer\r"
            L"read-share writer\r");
    }));
    EXPECT_TRUE(writer.Running());

    SetWindowTextW(main->Control(IDC_TEXT1), L"inserted");
    Click(main->hwnd(), IDC_COMMAND5);
    Click(main->hwnd(), IDC_COMMAND4);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, L"ファイルに書き込めません。\n" + log);
    EXPECT_EQ(ui.messages[0].caption, kErrorTitle);
    EXPECT_EQ(ui.messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));

    EXPECT_EQ(writer.Wait(), 0) << "the writer was never refused";
    const std::string file = ReadFileBytes(log);
    const auto lines = Lines(file);
    EXPECT_GE(lines.size(), 15u);
    for (const auto& line : lines) EXPECT_EQ(line, "read-share writer");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == ExpectedDisplay(file); }));
}

TEST_F(FollowSharing, InsertedLinesLandWholeBetweenTheWritersLines) {
    auto main = StartFollowing();
    main->OpenFile(log);
    Writer writer({L"hold", log, L"rw", L"2", L"read-write writer"});
    ASSERT_TRUE(writer.Started());
    ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(log).empty(); }));
    const std::string ours(4000, 'x');
    SetWindowTextW(main->Control(IDC_TEXT1), std::wstring(ours.begin(), ours.end()).c_str());
    for (int i = 0; i < 5; ++i) {
        Click(main->hwnd(), IDC_COMMAND5);
        Pump(150);
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(writer.Wait(), 0);

    const std::string file = ReadFileBytes(log);
    ASSERT_TRUE(file.ends_with("\r\n"));
    int inserted = 0, written = 0;
    for (const auto& line : Lines(file)) {
        if (line == ours) {
            ++inserted;
        } else {
            EXPECT_EQ(line, "read-write writer") << "a line was broken";
            ++written;
        }
    }
    EXPECT_EQ(inserted, 5);
    EXPECT_GE(written, 15);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == ExpectedDisplay(file); }));
}

}  // namespace
}  // namespace zr::test
