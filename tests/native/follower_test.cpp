// The follower against real files that a second process writes.
#include "follow/follower.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "test_files.h"

namespace zr {
namespace {

using test::Hex;
using test::RunWriter;
using test::WriterArg;
namespace fs = std::filesystem;

class Follow : public ::testing::Test {
  protected:
    explicit Follow(uint64_t tailLimit = kDefaultTailLimit)
        : follower_(*files_, IsShiftJisLeadByte, tailLimit) {}

    void Writer(const std::vector<WriterArg>& args) { ASSERT_EQ(RunWriter(args), 0); }
    void Append(std::string_view bytes) { Writer({"append", log_, Hex(bytes)}); }

    // log_writer in hold mode writes its first line at once; a pass before that finds no file.
    void WaitUntilWriterHasWritten(test::WriterProcess& writer) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::error_code ec;
        while (writer.Running() && std::chrono::steady_clock::now() < deadline &&
               (!fs::exists(log_, ec) || fs::file_size(log_, ec) == 0)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(writer.Running()) << "the writer ended before it was seen writing";
    }

    // Steps until the pass is over, as the window does; what the pass added to the display.
    std::string Pass(size_t stepBytes = kDefaultStepBytes) {
        std::string text;
        lastRestarted_ = false;
        for (int guard = 0; guard < 100000; ++guard) {
            PassResult r = follower_.Step(stepBytes);
            EXPECT_EQ(r.status, PassStatus::Ok);
            EXPECT_EQ(r.generation, follower_.Generation());
            lastRestarted_ = lastRestarted_ || r.restarted;
            text += r.text;
            if (!r.more) break;
        }
        display_ += text;
        return text;
    }

    test::TempDir dir_;
    fs::path log_ = dir_.path() / "app.log";
    std::unique_ptr<FileSource> files_ = test::MakeSystemFileSource();
    Follower follower_;
    std::string display_;
    bool lastRestarted_ = false;
};

// --- Appending -------------------------------------------------------------------------

TEST_F(Follow, AppendedLinesAppearOnceInFileOrder) {
    Append("first\r\nsecond\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "first\r\nsecond\r\n");
    EXPECT_EQ(Pass(), "");
    Append("third\r\n");
    EXPECT_EQ(Pass(), "third\r\n");
    EXPECT_EQ(Pass(), "");
    EXPECT_FALSE(lastRestarted_);
    EXPECT_EQ(display_, "first\r\nsecond\r\nthird\r\n");
}

TEST_F(Follow, PartialLineIsContinuedByLaterWrites) {
    follower_.Start(log_.wstring());
    Append("time=12");
    EXPECT_EQ(Pass(), "time=12");
    Append(":00 ok");
    EXPECT_EQ(Pass(), ":00 ok");
    Append("\r\nnext");
    EXPECT_EQ(Pass(), "\r\nnext");
    EXPECT_EQ(display_, "time=12:00 ok\r\nnext");
}

TEST_F(Follow, CrEndingOnePassAndLfStartingTheNextMakeOneLineEnd) {
    follower_.Start(log_.wstring());
    Append("one\r");
    EXPECT_EQ(Pass(), "one\r\n");
    Append("\ntwo\r");
    EXPECT_EQ(Pass(), "two\r\n");
    // A CR, then CR LF, are two line ends: the empty line between them stays.
    Append("\r\nthree");
    EXPECT_EQ(Pass(), "\r\nthree");
    EXPECT_EQ(display_, "one\r\ntwo\r\n\r\nthree");
}

TEST_F(Follow, LfOnlyFileShowsEveryLine) {
    Append("a\nbb\n\nccc\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "a\r\nbb\r\n\r\nccc\r\n");
}

TEST_F(Follow, CrOnlyFileShowsEveryLine) {
    Append("a\rbb\r\rccc\r");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "a\r\nbb\r\n\r\nccc\r\n");
}

TEST_F(Follow, MixedLineEndsEachEndOneLine) {
    // LF then CR is two line ends, not one.
    Append("a\r\nb\nc\rd\n\re\r\n\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\n");
}

TEST_F(Follow, EmptyAndOneByteLinesAreKept) {
    follower_.Start(log_.wstring());
    Append("\r\n\r\nx\r\n\n\ny");
    EXPECT_EQ(Pass(), "\r\n\r\nx\r\n\r\n\r\ny");
    Append("\r\rz\n");
    EXPECT_EQ(Pass(), "\r\n\r\nz\r\n");
}

TEST_F(Follow, LongLineIsShownWholeWhenReadInSmallSteps) {
    // A 7-byte pattern read in 1000-byte steps: a step read twice or skipped shifts it.
    Writer({"repeat", log_, "50000", Hex("abcdef ")});
    Append("\r\nend\r\n");
    std::string line;
    for (int i = 0; i < 50000; ++i) line += "abcdef ";
    follower_.Start(log_.wstring());
    PassResult first = follower_.Step(1000);
    EXPECT_TRUE(first.more);
    EXPECT_EQ(first.text, line.substr(0, 1000));
    display_ = first.text;
    Pass(1000);
    EXPECT_EQ(display_, line + "\r\nend\r\n");
}

TEST_F(Follow, StartingAgainShowsTheWholeFileAgainUnderANewGeneration) {
    Append("kept\r\n");
    follower_.Start(log_.wstring());
    const uint64_t before = follower_.Generation();
    EXPECT_EQ(Pass(), "kept\r\n");
    follower_.Start(log_.wstring());
    EXPECT_NE(follower_.Generation(), before);
    EXPECT_EQ(Pass(), "kept\r\n");
}

// --- Truncation, replacement, rewriting ----------------------------------------------------

TEST_F(Follow, TruncatedToZeroThenGrownPastOldLengthIsShownFromStart) {
    Append("alpha\r\nbeta\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "alpha\r\nbeta\r\n");
    Writer({"truncate", log_, "0"});
    EXPECT_EQ(Pass(), "");
    EXPECT_TRUE(lastRestarted_);
    Append("gamma is longer than what was here\r\n");
    EXPECT_EQ(Pass(), "gamma is longer than what was here\r\n");
    EXPECT_FALSE(lastRestarted_);
    EXPECT_EQ(display_, "alpha\r\nbeta\r\ngamma is longer than what was here\r\n");
}

TEST_F(Follow, TruncatedToShorterLengthIsShownAgainFromStart) {
    Append("one\r\ntwo\r\nthree\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "one\r\ntwo\r\nthree\r\n");
    Writer({"truncate", log_, "8"});
    EXPECT_EQ(Pass(), "one\r\ntwo");
    EXPECT_TRUE(lastRestarted_);
    Append("\r\nfour\r\n");
    EXPECT_EQ(Pass(), "\r\nfour\r\n");
}

TEST_F(Follow, EmptiedAndRefilledBetweenTwoPassesIsShownFromStart) {
    Append("old line one\r\nold line two\r\n");
    follower_.Start(log_.wstring());
    Pass();
    Writer({"truncate", log_, "0", "+", "append", log_,
            Hex("new text, longer than the old text was\r\n")});
    EXPECT_EQ(Pass(), "new text, longer than the old text was\r\n");
    EXPECT_TRUE(lastRestarted_);
}

TEST_F(Follow, RestartFromTheMiddleOfALineBeginsOnANewLine) {
    Append("done\r\npartial");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "done\r\npartial");
    Writer({"truncate", log_, "0", "+", "append", log_, Hex("fresh\r\n")});
    EXPECT_EQ(Pass(), "\r\nfresh\r\n");
    EXPECT_TRUE(lastRestarted_);
}

TEST_F(Follow, ReplacementWithSameBeginningIsReadFromStart) {
    // Only the file's identity tells: the new file is longer and starts like the old one.
    const fs::path next = dir_.path() / "app.log.new";
    Append("line\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "line\r\n");
    Writer({"append", next, Hex("line\r\nline 2\r\n"), "+", "rename", next, log_});
    EXPECT_EQ(Pass(), "line\r\nline 2\r\n");
    EXPECT_TRUE(lastRestarted_);
}

TEST_F(Follow, RotatedLogIsFollowedIntoTheNewFile) {
    Append("before rotation\r\n");
    follower_.Start(log_.wstring());
    Pass();
    Writer({"rename", log_, dir_.path() / "app.log.1", "+", "append", log_, Hex("after\r\n")});
    EXPECT_EQ(Pass(), "after\r\n");
    EXPECT_TRUE(lastRestarted_);
    Append("more\r\n");
    EXPECT_EQ(Pass(), "more\r\n");
}

TEST_F(Follow, FileMovedAwayAndBackIsContinuedWithoutRepeats) {
    const fs::path away = dir_.path() / "away.log";
    Append("a\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "a\r\n");
    Writer({"rename", log_, away, "+", "append", away, Hex("b\r\n")});
    PassResult gone = follower_.Step();
    EXPECT_EQ(gone.status, PassStatus::Unreadable);
    EXPECT_EQ(gone.error, OpenError::NotFound);
    EXPECT_EQ(gone.text, "");
    Writer({"rename", away, log_});
    EXPECT_EQ(Pass(), "b\r\n");
    EXPECT_FALSE(lastRestarted_);
}

TEST_F(Follow, DeletedFileIsUnreadableAndFollowedWhenItReturns) {
    Append("first\r\nsecond\r\n");
    follower_.Start(log_.wstring());
    Pass();
    Writer({"delete", log_});
    for (int i = 0; i < 2; ++i) {
        PassResult r = follower_.Step();
        EXPECT_EQ(r.status, PassStatus::Unreadable);
        EXPECT_EQ(r.error, OpenError::NotFound);
    }
    Append("other\r\n");
    EXPECT_EQ(Pass(), "other\r\n");
    EXPECT_TRUE(lastRestarted_);
    Append("more\r\n");
    EXPECT_EQ(Pass(), "more\r\n");
    EXPECT_EQ(display_, "first\r\nsecond\r\nother\r\nmore\r\n");
}

TEST_F(Follow, FileMissingAtStartIsShownFromItsStartWhenCreated) {
    follower_.Start(log_.wstring());
    EXPECT_EQ(follower_.Step().status, PassStatus::Unreadable);
    Append("hello\r\n");
    EXPECT_EQ(Pass(), "hello\r\n");
    EXPECT_FALSE(lastRestarted_);
}

TEST_F(Follow, SameLengthRewriteInPlaceIsReadFromStart) {
    Append("aaaa\r\nbbbb\r\n");
    follower_.Start(log_.wstring());
    Pass();
    Writer({"write", log_, "0", Hex("cccc\r\ndddd\r\n")});
    EXPECT_EQ(Pass(), "cccc\r\ndddd\r\n");
    EXPECT_TRUE(lastRestarted_);
}

TEST_F(Follow, RewriteOfLastLineFollowedByGrowthIsReadFromStart) {
    Append("aaaa\r\nbbbb\r\n");
    follower_.Start(log_.wstring());
    Pass();
    Writer({"write", log_, "6", Hex("XXXX\r\n"), "+", "append", log_, Hex("eeee\r\n")});
    EXPECT_EQ(Pass(), "aaaa\r\nXXXX\r\neeee\r\n");
    EXPECT_TRUE(lastRestarted_);
}

// --- Bytes of the code page ------------------------------------------------------------

TEST_F(Follow, DoubleByteCharacterSplitBetweenWritesIsShownWhole) {
    follower_.Start(log_.wstring());
    Append("ab\x82");
    EXPECT_EQ(Pass(), "ab");
    Append(
        "\xA0"
        "cd\x81");
    EXPECT_EQ(Pass(),
              "\x82\xA0"
              "cd");
    Append("\x5C\r\n");
    EXPECT_EQ(Pass(), "\x81\x5C\r\n");
}

TEST_F(Follow, TrailByteThatCouldLeadIsNotHeldBack) {
    // 82 82 is one character; only walking from the line start tells its second byte is a
    // trail byte. The third 82 starts a character whose second byte is still to come.
    follower_.Start(log_.wstring());
    Append("\x82\x82");
    EXPECT_EQ(Pass(), "\x82\x82");
    Append("\x82");
    EXPECT_EQ(Pass(), "");
    Append("\x82\x82\x82");
    EXPECT_EQ(Pass(), "\x82\x82\x82\x82");
}

TEST_F(Follow, LeadByteBeforeLineEndStandsAlone) {
    Append("a\x82\r\nb\x82\nc");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "a\x82\r\nb\x82\r\nc");
}

TEST_F(Follow, NulBytesArePassedThroughWithoutCuttingTheLine) {
    Append(std::string("a\0b\r\n\0\0c\0", 10));
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), std::string("a\0b\r\n\0\0c\0", 10));
    Append(std::string("d\r\n"));
    EXPECT_EQ(Pass(), "d\r\n");
}

// --- Files locked by their writer ----------------------------------------------------------

TEST_F(Follow, FileKeptOpenByWriterSharingOnlyReadIsFollowed) {
    test::WriterProcess writer({"hold", log_, "r", "1.2", "tick"});
    ASSERT_TRUE(writer.Started());
    WaitUntilWriterHasWritten(writer);
    follower_.Start(log_.wstring());
    int passesWithText = 0;
    while (writer.Running()) {
        if (!Pass().empty()) ++passesWithText;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    ASSERT_EQ(writer.Wait(), 0);
    Pass();
    EXPECT_GE(passesWithText, 2);
    EXPECT_EQ(display_, test::WithCrLf(test::ReadWholeFile(log_)));
    EXPECT_EQ(display_.substr(0, 12), "tick\r\ntick\r\n");
}

#ifdef _WIN32
TEST_F(Follow, FileLockedByWriterIsUnreadableUntilReleased) {
    test::WriterProcess writer({"hold", log_, "none", "1", "locked"});
    ASSERT_TRUE(writer.Started());
    WaitUntilWriterHasWritten(writer);
    follower_.Start(log_.wstring());
    PassResult locked = follower_.Step();
    EXPECT_EQ(locked.status, PassStatus::Unreadable);
    EXPECT_EQ(locked.error, OpenError::Denied);
    ASSERT_EQ(writer.Wait(), 0);
    const std::string text = Pass();
    EXPECT_EQ(text.substr(0, 16), "locked\r\nlocked\r\n");
    EXPECT_EQ(text, test::WithCrLf(test::ReadWholeFile(log_)));
}
#endif

// --- Large files -----------------------------------------------------------------------

class FollowSmallTail : public Follow {
  protected:
    FollowSmallTail() : Follow(20) {}
};

TEST_F(FollowSmallTail, FirstPassOfLargeFileStartsAtLineBoundaryInItsLastPart) {
    // 31 bytes; the last 20 begin with the LF of a CR LF, which must not become an empty line.
    Append("0123456789\r\nabcdefghij\r\nklmno\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "abcdefghij\r\nklmno\r\n");
    Append("p\r\n");
    EXPECT_EQ(Pass(), "p\r\n");
}

TEST_F(FollowSmallTail, LastPartStartingInsideALineSkipsToTheNextLine) {
    Append("0123456789\r\nabcdefghijklmnopqrst\r\nuvw\r");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "uvw\r\n");
    // The LF completing the CR at the end of the first pass is not an empty line.
    Append("\nxyz\r\n");
    EXPECT_EQ(Pass(), "xyz\r\n");
}

TEST_F(FollowSmallTail, ReplacementLargerThanTheLimitShowsOnlyItsLastPart) {
    Append("old\r\n");
    follower_.Start(log_.wstring());
    EXPECT_EQ(Pass(), "old\r\n");
    Writer({"truncate", log_, "0", "+", "append", log_,
            Hex("0123456789\r\nabcdefghijklmnopqrst\r\nuvw\r\n")});
    EXPECT_EQ(Pass(), "uvw\r\n");
    EXPECT_TRUE(lastRestarted_);
}

// The display shows the end of a log first and takes older text in on demand: whatever the
// sizes, the older parts and the first pass join into the file's text, no line lost or
// doubled, line ends split between parts included.
TEST_F(Follow, OlderTextReadBackwardsJoinsTheFirstPassExactly) {
    const std::string file = "one\r\ntwo\rthree\n\x8a\xbf\x8e\x9a\r\n\r\n\n\rcr lf\r\nlast line";
    Append(file);
    for (uint64_t tail = 1; tail <= file.size(); tail += 3) {
        for (size_t chunk : {10, 11, 13, 64}) {
            SCOPED_TRACE("tail " + std::to_string(tail) + ", chunk " + std::to_string(chunk));
            follower_.Start(log_.wstring(), tail);
            PassResult first = follower_.Step();
            std::string shown = first.text;
            uint64_t top = first.readFrom;
            while (top > 0) {
                OlderText older = follower_.ReadBefore(top, chunk);
                ASSERT_LT(older.from, top);
                shown = older.text + shown;
                top = older.from;
            }
            EXPECT_EQ(shown, test::WithCrLf(file));
        }
    }
    // Once the file is replaced, nothing older comes from the new one.
    follower_.Start(log_.wstring(), 5);
    const uint64_t top = follower_.Step().readFrom;
    Writer({"truncate", log_, "0", "+", "append", log_, Hex("other\r\n")});
    EXPECT_EQ(follower_.ReadBefore(top, 64).from, top);
}

TEST_F(Follow, SparseFileOf5GiBShowsItsEndAndFollowsAppends) {
    constexpr uint64_t kSize = 5ull << 30;
    Writer({"truncate", log_, std::to_string(kSize)});
    if (test::AllocatedBytes(log_) > (64u << 20)) {
        GTEST_SKIP() << "this volume does not make sparse files";
    }
    // The hole reads as one long line of NUL bytes; its end starts the lines that follow.
    Append("\r\nlast but one\r\nlast\r\n");
    follower_.Start(log_.wstring());
    PassResult first = follower_.Step(16 << 20);
    EXPECT_EQ(first.status, PassStatus::Ok);
    EXPECT_EQ(first.text, "last but one\r\nlast\r\n");
    EXPECT_FALSE(first.more);
    EXPECT_EQ(follower_.Position(), kSize + 22);
    // Single steps, so that a follower reading the hole fails here instead of taking minutes.
    Append("appended\r\n");
    PassResult next = follower_.Step(16 << 20);
    EXPECT_EQ(next.text, "appended\r\n");
    EXPECT_FALSE(next.more);
    EXPECT_FALSE(next.restarted);
    EXPECT_EQ(follower_.Position(), kSize + 32);
}

}  // namespace
}  // namespace zr
