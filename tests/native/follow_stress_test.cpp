// Following while another process writes as fast as it can, in pieces that split lines, CR LF
// pairs and double-byte characters anywhere.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "follow/follower.h"
#include "test_files.h"

namespace zr {
namespace {

TEST(FollowStress, TextFollowedDuringRandomWritesEqualsTheFile) {
    test::TempDir dir;
    const auto log = dir.path() / "busy.log";
    std::unique_ptr<FileSource> files = test::MakeSystemFileSource();
    Follower follower(*files, test::TestCodePage());
    // Random double-byte characters could pass for UTF-8 now and then.
    follower.Start(log.wstring(), UINT64_MAX, TextEncoding::CodePage);

    std::wstring display;
    int passesWithText = 0;
    bool restarted = false;
    // Small steps, so that passes end in the middle of what was written as well.
    auto pass = [&] {
        for (;;) {
            PassResult r = follower.Step(4096);
            if (r.status != PassStatus::Ok) {
                // Only before the writer has created the file.
                EXPECT_EQ(r.error, OpenError::NotFound);
                EXPECT_TRUE(display.empty());
                return;
            }
            restarted = restarted || r.restarted;
            if (!r.text.empty()) ++passesWithText;
            display += r.text;
            if (!r.more) return;
        }
    };

    test::WriterProcess writer({"stress", log, "20240601", "3"});
    ASSERT_TRUE(writer.Started());
    while (writer.Running()) {
        pass();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(writer.Wait(), 0);
    pass();

    const std::string file = test::ReadWholeFile(log);
    EXPECT_GT(file.size(), 10'000u);
    EXPECT_GE(passesWithText, 20) << "the follower should have read while the writer wrote";
    EXPECT_FALSE(restarted);
    const std::wstring expected = test::ShownCodePage(file);
    ASSERT_EQ(display.size(), expected.size());
    EXPECT_TRUE(display == expected) << "the followed text differs from the file";
}

}  // namespace
}  // namespace zr
