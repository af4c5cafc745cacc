// The real window follows a log that another process writes in random pieces; at the end
// the display holds exactly the file's text.
#include <gtest/gtest.h>

#include "common/codepage_win.h"
#include "harness.h"

namespace zr::test {
namespace {

TEST(FollowWindowStress, DisplayEqualsTheFileWrittenInRandomPieces) {
    ClearConfig();
    ScriptedUi ui;
    TempDir dir;
    const std::wstring log = dir.path(L"stress.log");
    WriteFileBytes(log, "");
    auto main = StartFollowing(20);
    main->OpenFile(log);
    Writer writer({L"stress", log, L"20240607", L"5"});
    ASSERT_TRUE(writer.Started());
    size_t seenWhileWriting = 0;
    const auto w0 = std::chrono::steady_clock::now();
    while (writer.Running()) {
        Pump(20);
        seenWhileWriting = DisplayLength(*main);
    }
    fprintf(stderr, "writer ran %lld ms\n",
            (long long)std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - w0)
                .count());
    EXPECT_EQ(writer.Wait(), 0);
    const std::string file = ReadFileBytes(log);
    const std::wstring expected = ExpectedDisplay(file);
    EXPECT_GT(file.size(), 20000u);
    EXPECT_GT(seenWhileWriting, 0u) << "followed while it was written";
    const auto t0 = std::chrono::steady_clock::now();
    PumpUntil([&] { return DisplayLength(*main) >= expected.size(); }, 10000);
    fprintf(stderr, "file %zu bytes, caught up %lld ms after the writer ended\n", file.size(),
            (long long)std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - t0)
                .count());
    const std::wstring shown = DisplayText(*main);
    if (shown != expected) {
        size_t i = 0;
        while (i < shown.size() && i < expected.size() && shown[i] == expected[i]) ++i;
        ADD_FAILURE() << "display and file part at character " << i << " of " << expected.size()
                      << " (display has " << shown.size() << ")\n shown:    "
                      << testing::PrintToString(ToAnsi(shown.substr(i > 20 ? i - 20 : 0, 60)))
                      << "\n expected: "
                      << testing::PrintToString(ToAnsi(expected.substr(i > 20 ? i - 20 : 0, 60)));
    }
    EXPECT_TRUE(ui.messages.empty());
    ClearConfig();
}

}  // namespace
}  // namespace zr::test
