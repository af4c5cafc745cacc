// The follower against real files that a second process writes.
#include "follow/follower.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "follow/notices.h"
#include "test_files.h"

namespace zr {
namespace {

using test::Hex;
using test::WriterArg;
using Enc = TextEncoding;
namespace fs = std::filesystem;

std::wstring Cp(std::string_view bytes) {
    return test::ShownCodePage(bytes);
}

// Steps until the pass is over, as the window does; what the pass added to the display.
std::wstring PassOf(Follower& follower, bool* restarted = nullptr,
                    size_t stepBytes = kDefaultStepBytes) {
    std::wstring text;
    for (int guard = 0; guard < 100000; ++guard) {
        PassResult r = follower.Step(stepBytes);
        EXPECT_EQ(r.status, PassStatus::Ok);
        EXPECT_EQ(r.generation, follower.Generation());
        if (restarted) *restarted = *restarted || r.restarted;
        text += r.text;
        if (!r.more) break;
    }
    return text;
}

class Follow : public ::testing::Test {
  protected:
    explicit Follow(uint64_t tailLimit = kDefaultTailLimit)
        : follower_(*files_, test::TestCodePage(), tailLimit) {}

    void Writer(const std::vector<WriterArg>& args) { ASSERT_EQ(test::RunWriter(args), 0); }
    void Append(std::string_view bytes) { Writer({"append", log_, Hex(bytes)}); }

    std::wstring Pass(size_t stepBytes = kDefaultStepBytes) {
        lastRestarted_ = false;
        std::wstring text = PassOf(follower_, &lastRestarted_, stepBytes);
        display_ += text;
        return text;
    }

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

    uint64_t SizeOf(const fs::path& path) {
        OpenError err = OpenError::None;
        auto file = files_->OpenForRead(path.wstring(), err);
        return file ? file->Size().value_or(0) : 0;
    }

    // Files that one writer process writes in pieces, one after the other; each piece is read
    // by a pass of the file's own follower (and a second pass that must find nothing) before
    // the next piece is written.
    struct Feed {
        std::vector<std::string> pieces;
        Enc start = Enc::Auto;
        std::vector<std::wstring> passes = {};
        Enc found = Enc::Auto;
    };
    void RunFeeds(std::vector<Feed>& feeds) {
        const fs::path ack = dir_.path() / "ack";
        std::vector<WriterArg> args;
        for (size_t f = 0; f < feeds.size(); ++f) {
            if (f > 0) args.push_back("+");
            for (WriterArg a : {WriterArg("pieces"), WriterArg(FeedLog(f)), WriterArg(ack)}) {
                args.push_back(a);
            }
            for (const std::string& piece : feeds[f].pieces) args.push_back(Hex(piece));
        }
        test::WriterProcess writer(args);
        ASSERT_TRUE(writer.Started());
        for (size_t f = 0; f < feeds.size(); ++f) {
            Follower follower(*files_, test::TestCodePage());
            follower.Start(FeedLog(f).wstring(), UINT64_MAX, feeds[f].start);
            uint64_t end = 0;
            for (const std::string& piece : feeds[f].pieces) {
                end += piece.size();
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (SizeOf(FeedLog(f)) != end) {
                    ASSERT_TRUE(writer.Running() && std::chrono::steady_clock::now() < deadline)
                        << "file " << f << " never reached " << end << " bytes";
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
                feeds[f].passes.push_back(PassOf(follower));
                EXPECT_EQ(PassOf(follower), L"") << "file " << f << " at " << end;
                std::ofstream(ack, std::ios::binary | std::ios::app) << 'a';
            }
            feeds[f].found = follower.Encoding();
        }
        ASSERT_EQ(writer.Wait(), 0);
    }
    fs::path FeedLog(size_t f) { return dir_.path() / ("feed" + std::to_string(f) + ".log"); }

    test::TempDir dir_;
    fs::path log_ = dir_.path() / "app.log";
    std::unique_ptr<FileSource> files_ = test::MakeSystemFileSource();
    Follower follower_;
    std::wstring display_;
    bool lastRestarted_ = false;
};

// --- Appending -------------------------------------------------------------------------

TEST_F(Follow, AppendedPiecesAppearOnceWithTheirLineEndsAndCharactersWhole) {
    struct Row {
        std::vector<std::string> pieces;
        std::vector<std::wstring> passes;
    };
    const Row rows[] = {
        {{"first\r\nsecond\r\n", "third\r\n"}, {L"first\rsecond\r", L"third\r"}},
        {{"time=12", ":00 ok", "\r\nnext"}, {L"time=12", L":00 ok", L"\rnext"}},
        // A CR ending one write and the LF starting the next are one line end; CR, CR LF two.
        {{"one\r", "\ntwo\r", "\r\nthree"}, {L"one\r", L"two\r", L"\rthree"}},
        {{"a\nbb\n\nccc\n", "a\rbb\r\rccc\r"}, {L"a\rbb\r\rccc\r", L"a\rbb\r\rccc\r"}},
        // LF then CR is two line ends, not one.
        {{"a\r\nb\nc\rd\n\re\r\n\r\n"}, {L"a\rb\rc\rd\r\re\r\r"}},
        {{"\r\n\r\nx\r\n\n\ny", "\r\rz\n"}, {L"\r\rx\r\r\ry", L"\r\rz\r"}},
        {{"ab\x82",
          "\xA0"
          "cd\x81",
          "\x5C\r\n"},
         {L"ab",
          Cp("\x82\xA0"
             "cd"),
          Cp("\x81\x5C\r")}},
        // 82 82 is one character: only walking from the line start tells 82 is a trail byte.
        {{"\x82\x82", "\x82", "\x82\x82\x82"}, {Cp("\x82\x82"), L"", Cp("\x82\x82\x82\x82")}},
        // A line end cannot be a trail byte: the lead byte before it stands alone.
        {{"a\x82\r\nb\x82\nc"}, {Cp("a\x82\r\nb\x82\nc")}},
        {{std::string("a\0bcdef\r\n\0\0ghijkl\0", 18)},
         {L"a\uFFFDbcdef\r\uFFFD\uFFFDghijkl\uFFFD"}},
        // Once UTF-8, always UTF-8 for this file: Shift_JIS appended later is invalid there.
        {{"ok \xE3\x83\xAD\r\n", "\x83\x8D\r\n"}, {L"ok \u30ED\r", L"\uFFFD\uFFFD\r"}},
        // Each invalid sequence is one U+FFFD, its longest valid beginning at most.
        {{"a\xE3\x83\xAD\r\n",
          "b\xE3\x83"
          "c\xED\xA0\x80"
          "d\xC0\xAF"
          "e\xF4\x90\x80\xFF\r\n"},
         {L"a\u30ED\r", L"b\uFFFDc\uFFFD\uFFFD\uFFFDd\uFFFD\uFFFDe\uFFFD\uFFFD\uFFFD\uFFFD\r"}},
    };
    std::vector<Feed> feeds;
    for (const Row& row : rows) feeds.push_back({row.pieces});
    RunFeeds(feeds);
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(feeds[i].passes, rows[i].passes) << i;
}

// Each encoding, a Japanese text written in pieces: every byte on its own, then pieces of 5
// bytes; so a multi-byte character, a surrogate pair, a CR LF and a mark are split at every
// offset. The display shows the text whole, and notice strings are found in it.
TEST_F(Follow, EveryEncodingIsShownWholeWhenWrittenInPiecesSplitAnywhere) {
    const std::u16string text = u"12:00 ログ開始 \U0001F600\r\n二行目\rです\n\r\n終わり";
    const std::u16string sjisText = u"12:00 ログ開始 表示ソ\r\n二行目\rです\n\r\n終わり";
    const std::string utf8 =
        test::Utf8Bytes(u8"12:00 ログ開始 \U0001F600\r\n二行目\rです\n\r\n終わり");
    struct Row {
        std::string bytes;
        std::u16string text;
        Enc found;
    };
    const Row rows[] = {
        {"\xEF\xBB\xBF" + utf8, text, Enc::Utf8},
        {utf8, text, Enc::Utf8},
        {"\xFF\xFE" + test::Utf16Bytes(text, true), text, Enc::Utf16Le},
        {"\xFE\xFF" + test::Utf16Bytes(text, false), text, Enc::Utf16Be},
        {test::Utf16Bytes(text, true), text, Enc::Utf16Le},
        {test::CodePageBytes(std::wstring(sjisText.begin(), sjisText.end())).value(), sjisText,
         Enc::CodePage},
    };
    std::vector<Feed> feeds;
    for (size_t size : {1, 5}) {
        for (const Row& row : rows) {
            Feed feed;
            for (size_t at = 0; at < row.bytes.size(); at += size) {
                feed.pieces.push_back(row.bytes.substr(at, size));
            }
            feeds.push_back(feed);
        }
    }
    RunFeeds(feeds);
    for (size_t i = 0; i < feeds.size(); ++i) {
        const Row& row = rows[i % std::size(rows)];
        NoticeMatcher notices;
        notices.SetStrings({L"ログ開始", L"終わり", L"二行目です"});
        std::vector<size_t> hits;
        std::wstring shown;
        for (const std::wstring& pass : feeds[i].passes) {
            shown += pass;
            for (size_t k : notices.Find(pass)) hits.push_back(k);
        }
        EXPECT_EQ(shown, test::Shown(row.text)) << "row " << i;
        EXPECT_EQ(feeds[i].found, row.found) << "row " << i;
        EXPECT_EQ(hits, (std::vector<size_t>{0, 1})) << "row " << i;
    }
}

// The choice between UTF-8 and the code page is made at the first byte above 0x7F, however
// far into the file; the ASCII before it reads the same either way.
TEST_F(Follow, ChoiceIsMadeAtTheFirstNonAsciiByteAfterALongAsciiStart) {
    const std::string line = "an ASCII line of 32 bytes CRLF\r\n";
    std::string ascii;
    for (int i = 0; i < 3200; ++i) ascii += line;  // 100 KiB
    Writer({"repeat", log_, "3200", Hex(line)});
    // The second step ends `split` bytes into the tail: inside the first sequence, or not.
    struct Row {
        std::string tail;
        size_t split;
        std::wstring shown;
        Enc found;
    };
    const Row rows[] = {
        {"\xE3\x83\xAD\xE3\x82\xB0\r\n", 1, L"\u30ED\u30B0\r", Enc::Utf8},
        {"\xE3\x83\xAD\xE3\x82\xB0\r\n", 2, L"\u30ED\u30B0\r", Enc::Utf8},
        {"\xE3\x83\xAD\xE3\x82\xB0\r\n", 4, L"\u30ED\u30B0\r", Enc::Utf8},
        {"\x83\x8D\x83\x4F\r\n", 1, Cp("\x83\x8D\x83\x4F\r"), Enc::CodePage},
        // Valid UTF-8 first, yet not all through the read.
        {"\xE3\x83\xAD\x83\x8D\r\n", 7, Cp("\xE3\x83\xAD\x83\x8D\r"), Enc::CodePage},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Hex(row.tail) + " split at " + std::to_string(row.split));
        Writer(
            {"truncate", log_, std::to_string(ascii.size()), "+", "append", log_, Hex(row.tail)});
        follower_.Start(log_.wstring());
        const PassResult first = follower_.Step(4096);
        EXPECT_EQ(follower_.Encoding(), Enc::Auto) << "chosen before any byte above 0x7F";
        const std::wstring shown =
            first.text + PassOf(follower_, nullptr, ascii.size() + row.split - 4096);
        EXPECT_TRUE(shown == Cp(ascii) + row.shown)
            << "shown from " << shown.find(L'\r' + row.shown);
        EXPECT_EQ(follower_.Encoding(), row.found);
    }
}

TEST_F(Follow, LongLineIsShownWholeWhenReadInSmallSteps) {
    // A 7-byte pattern read in 1000-byte steps: a step read twice or skipped shifts it.
    Writer({"repeat", log_, "50000", Hex("abcdef ")});
    Append("\r\nend\r\n");
    std::wstring line;
    for (int i = 0; i < 50000; ++i) line += L"abcdef ";
    follower_.Start(log_.wstring());
    PassResult first = follower_.Step(1000);
    EXPECT_TRUE(first.more);
    EXPECT_EQ(first.text, line.substr(0, 1000));
    display_ = first.text;
    Pass(1000);
    EXPECT_EQ(display_, line + L"\rend\r");
}

// --- Truncation, replacement, rewriting, starting again --------------------------------------

// Each step runs writer operations ("L" is the log, "N", "R" and "A" other files in its folder,
// "=..." bytes to write), then a pass, whose text and restart are checked. "!start" starts
// following again; "!gone" expects the file to be missing.
TEST_F(Follow, ChangedFilesAreReadAgainFromTheirStartBelowWhatWasShown) {
    struct Step {
        std::vector<std::string> ops;
        std::wstring shown;
        bool restarted = false;
        std::optional<Enc> found = std::nullopt;
    };
    const std::vector<std::vector<Step>> rows = {
        {{{"append", "L", "=alpha\r\nbeta\r\n"}, L"alpha\rbeta\r"},
         {{"truncate", "L", "0"}, L"", true},
         {{"append", "L", "=gamma is longer than what was here\r\n"},
          L"gamma is longer than what was here\r"}},
        {{{"append", "L", "=one\r\ntwo\r\nthree\r\n"}, L"one\rtwo\rthree\r"},
         {{"truncate", "L", "8"}, L"one\rtwo", true},
         {{"append", "L", "=\r\nfour\r\n"}, L"\rfour\r"}},
        // Emptied and refilled between two passes; the old text ended in the middle of a line.
        {{{"append", "L", "=done\r\npartial"}, L"done\rpartial"},
         {{"truncate", "L", "0", "+", "append", "L", "=fresh, longer than the old text\r\n"},
          L"\rfresh, longer than the old text\r",
          true}},
        // Replaced by a longer file that starts alike: only the file's identity tells.
        {{{"append", "L", "=line\r\n"}, L"line\r"},
         {{"append", "N", "=line\r\nline 2\r\n", "+", "rename", "N", "L"},
          L"line\rline 2\r",
          true}},
        {{{"append", "L", "=before rotation\r\n"}, L"before rotation\r"},
         {{"rename", "L", "R", "+", "append", "L", "=after\r\n"}, L"after\r", true},
         {{"append", "L", "=more\r\n"}, L"more\r"}},
        {{{"append", "L", "=a\r\n"}, L"a\r"},
         {{"rename", "L", "A", "+", "append", "A", "=b\r\n", "!gone"}, L""},
         {{"rename", "A", "L"}, L"b\r"}},
        {{{"append", "L", "=first\r\n"}, L"first\r"},
         {{"delete", "L", "!gone"}, L""},
         {{"append", "L", "=other\r\n"}, L"other\r", true},
         {{"append", "L", "=more\r\n"}, L"more\r"}},
        {{{"!gone"}, L""}, {{"append", "L", "=hello\r\n"}, L"hello\r"}},
        // Rewritten in place: at the same length, and the last line followed by growth.
        {{{"append", "L", "=aaaa\r\nbbbb\r\n"}, L"aaaa\rbbbb\r"},
         {{"write", "L", "0", "=cccc\r\ndddd\r\n"}, L"cccc\rdddd\r", true}},
        {{{"append", "L", "=aaaa\r\nbbbb\r\n"}, L"aaaa\rbbbb\r"},
         {{"write", "L", "6", "=XXXX\r\n", "+", "append", "L", "=eeee\r\n"},
          L"aaaa\rXXXX\reeee\r",
          true}},
        // A restart finds the encoding again; starting again shows everything again.
        {{{"append", "L", "=\xEF\xBB\xBFutf-8 \xE3\x83\xAD\r\n"},
          L"utf-8 \u30ED\r",
          false,
          Enc::Utf8},
         {{"truncate", "L", "0", "+", "append", "L", "=sjis \x83\x8D\r\n"},
          Cp("sjis \x83\x8D\r"),
          true,
          Enc::CodePage},
         {{"!start"}, Cp("sjis \x83\x8D\r"), false, Enc::CodePage}},
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        std::error_code ec;
        fs::remove(log_, ec);
        follower_.Start(log_.wstring());
        for (const Step& step : rows[r]) {
            std::vector<WriterArg> args;
            bool gone = false;
            for (const std::string& op : step.ops) {
                if (op == "!gone") {
                    gone = true;
                } else if (op == "!start") {
                    const uint64_t before = follower_.Generation();
                    follower_.Start(log_.wstring());
                    EXPECT_NE(follower_.Generation(), before);
                } else if (op.size() == 1 &&
                           std::string_view("LNRA").find(op[0]) != std::string::npos) {
                    args.push_back(op == "L" ? log_ : dir_.path() / ("other." + op));
                } else {
                    args.push_back(op[0] == '=' ? Hex(op.substr(1)) : op);
                }
            }
            if (!args.empty()) Writer(args);
            if (gone) {
                const PassResult r = follower_.Step();
                EXPECT_EQ(r.status, PassStatus::Unreadable);
                EXPECT_EQ(r.error, OpenError::NotFound);
                EXPECT_EQ(r.text, L"");
                continue;
            }
            EXPECT_EQ(Pass(), step.shown);
            EXPECT_EQ(lastRestarted_, step.restarted);
            if (step.found) {
                EXPECT_EQ(follower_.Encoding(), *step.found);
            }
        }
    }
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
    EXPECT_EQ(display_, Cp(test::ReadWholeFile(log_)));
    EXPECT_EQ(display_.substr(0, 10), L"tick\rtick\r");
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
    const std::wstring text = Pass();
    EXPECT_EQ(text.substr(0, 14), L"locked\rlocked\r");
    EXPECT_EQ(text, Cp(test::ReadWholeFile(log_)));
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
    EXPECT_EQ(Pass(), L"abcdefghij\rklmno\r");
    // Replaced: the restart's tail begins inside a line and skips to the next; the LF that
    // completes the CR ending that pass is not an empty line.
    Writer({"truncate", log_, "0", "+", "append", log_,
            Hex("0123456789\r\nabcdefghijklmnopqrst\r\nuvw\r")});
    EXPECT_EQ(Pass(), L"uvw\r");
    EXPECT_TRUE(lastRestarted_);
    Append("\nxyz\r\n");
    EXPECT_EQ(Pass(), L"xyz\r");
    // Empty at the open (its encoding still unknown): all that is written later is new.
    Writer({"truncate", log_, "0"});
    follower_.Start(log_.wstring(), 5);
    EXPECT_EQ(Pass(), L"");
    Append("0123456789\r\nabcdefghij\r\nklmno\r\n");
    EXPECT_EQ(Pass(), L"0123456789\rabcdefghij\rklmno\r");
}

// The display shows the end of a log first and takes older text in on demand: whatever the
// encoding and sizes, the older parts and the first pass join into the file's text, no line
// lost or doubled, line ends and characters split between parts included, no mark shown.
TEST_F(Follow, OlderTextReadBackwardsJoinsTheFirstPassExactly) {
    const std::u16string text = u"one\r\ntwo\rthree\n漢字\U0001F600\r\n\r\n\n\rcr lf\r\nlast line";
    const std::u16string sjisText = u"one\r\ntwo\rthree\n漢字表\r\n\r\n\n\rcr lf\r\nlast line";
    const std::string utf8 =
        test::Utf8Bytes(u8"one\r\ntwo\rthree\n漢字\U0001F600\r\n\r\n\n\rcr lf\r\nlast line");
    struct Row {
        std::string bytes;
        std::u16string text;
        Enc found;
    };
    const Row rows[] = {
        {test::CodePageBytes(std::wstring(sjisText.begin(), sjisText.end())).value(), sjisText,
         Enc::CodePage},
        {utf8, text, Enc::Utf8},
        {"\xEF\xBB\xBF" + utf8, text, Enc::Utf8},
        {"\xFF\xFE" + test::Utf16Bytes(text, true), text, Enc::Utf16Le},
        {"\xFE\xFF" + test::Utf16Bytes(text, false), text, Enc::Utf16Be},
        {test::Utf16Bytes(text, true), text, Enc::Utf16Le},
    };
    for (const Row& row : rows) {
        Writer({"truncate", log_, "0", "+", "append", log_, Hex(row.bytes)});
        for (uint64_t tail = 1; tail <= row.bytes.size(); tail += 3) {
            for (size_t chunk : {10, 11, 13, 64}) {
                SCOPED_TRACE(std::to_string(row.bytes.size()) + " bytes, tail " +
                             std::to_string(tail) + ", chunk " + std::to_string(chunk));
                follower_.Start(log_.wstring(), tail);
                PassResult first = follower_.Step();
                std::wstring shown = first.text;
                uint64_t top = first.readFrom;
                while (top > follower_.TextStart()) {
                    OlderText older = follower_.ReadBefore(top, chunk);
                    ASSERT_LT(older.from, top);
                    shown = older.text + shown;
                    top = older.from;
                }
                EXPECT_EQ(shown, test::Shown(row.text));
                EXPECT_EQ(follower_.Encoding(), row.found);
            }
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
    EXPECT_EQ(first.text, L"last but one\rlast\r");
    EXPECT_FALSE(first.more);
    EXPECT_EQ(follower_.Position(), kSize + 22);
    // Single steps, so that a follower reading the hole fails here instead of taking minutes.
    Append("appended\r\n");
    PassResult next = follower_.Step(16 << 20);
    EXPECT_EQ(next.text, L"appended\r");
    EXPECT_FALSE(next.more);
    EXPECT_FALSE(next.restarted);
    EXPECT_EQ(follower_.Position(), kSize + 32);
}

}  // namespace
}  // namespace zr
