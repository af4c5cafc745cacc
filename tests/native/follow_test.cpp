// The follow engine on real files that a second process writes, and lines written into a log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "../shared/test_files.h"
#include "follow/follower.h"
#include "follow/insertion_text.h"
#include "follow/newest_file.h"

#ifdef _WIN32
#include "common/codepage_win.h"
#else
#include <iconv.h>
#endif

namespace zr {
namespace {

using namespace zr::test;
using Enc = TextEncoding;

// The system code page: Windows' own, and natively glibc's 932 acting alike (U+FFFD for NUL).
#ifdef _WIN32
const auto CodePageText = FromAnsi;
const auto CodePageBytes = ToAnsiExact;
const auto SystemFiles = MakeWin32FileSource;
#else
const auto SystemFiles = MakePosixFileSource;
std::wstring CodePageText(std::string_view bytes) {
    static const iconv_t cd = iconv_open("WCHAR_T", "CP932");
    std::wstring text(bytes.size(), L'\0');
    char* in = const_cast<char*>(bytes.data());
    char* out = reinterpret_cast<char*>(text.data());
    size_t inLeft = bytes.size(), outLeft = text.size() * sizeof(wchar_t);
    while (iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1)) {
        const size_t skip = IsShiftJisLeadByte(*in) && inLeft > 1 ? 2 : 1;
        in += skip, inLeft -= skip, out += sizeof(wchar_t), outLeft -= sizeof(wchar_t);
    }
    text.resize(text.size() - outLeft / sizeof(wchar_t));
    std::replace(text.begin(), text.end(), L'\0', L'\uFFFD');
    return text;
}
std::optional<std::string> CodePageBytes(std::wstring_view text) {
    static const iconv_t cd = iconv_open("CP932", "WCHAR_T");
    std::string bytes(text.size() * 2, '\0');
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
    char* out = bytes.data();
    size_t inLeft = text.size() * sizeof(wchar_t), outLeft = bytes.size();
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1)) return std::nullopt;
    bytes.resize(bytes.size() - outLeft);
    return bytes;
}
#endif
const CodePage kCp{IsShiftJisLeadByte, CodePageText};

std::wstring Cp(std::string_view bytes) {  // code-page bytes as the display shows them
    return Displayed(bytes, CodePageText);
}

// A log with every kind of line end in each encoding, and its text; the code page lacks the
// emoji but has ソ, whose trail byte is a backslash. Then the decoder's harder cases.
std::vector<std::tuple<std::string, std::wstring, Enc>> EveryEncoding() {
    const std::u16string text = u"one\r\ntwo\rthree\n漢字\U0001F600\r\n\r\n\n\rcr lf\r\nlast";
    const std::string utf8 = reinterpret_cast<const char*>(
        u8"one\r\ntwo\rthree\n漢字\U0001F600\r\n\r\n\n\rcr lf\r\nlast");
    const auto sjis = CodePageBytes(L"one\r\ntwo\rthree\n漢字ソ\r\n\r\n\n\rcr lf\r\nlast").value();
    const std::wstring shown = L"one\rtwo\rthree\r漢字\xD83D\xDE00\r\r\r\rcr lf\rlast";
    return {
        {"\xEF\xBB\xBF" + utf8, shown, Enc::Utf8},
        {utf8, shown, Enc::Utf8},
        {"\xFF\xFE" + Utf16(text, true), shown, Enc::Utf16Le},
        {"\xFE\xFF" + Utf16(text, false), shown, Enc::Utf16Be},
        {Utf16(text, true), shown, Enc::Utf16Le},
        {sjis, Cp(sjis), Enc::CodePage},
        // Each invalid sequence is one U+FFFD, its longest valid beginning at most.
        {"\xEF\xBB\xBFx\xE3\x83y\xED\xA0\x80\xC0\xAF\xE0\x80\x80\xF4\x90\x80\xFF\xEF\xBF\xBD",
         L"x\uFFFDy" + std::wstring(13, L'\uFFFD'), Enc::Utf8},
        // A line end is never a trail byte: the lead byte before it stands alone.
        {"a\x82\xA0\x82\r\n\x83\x5C\x82\nx", Cp("a\x82\xA0\x82\r\n\x83\x5C\x82\nx"), Enc::CodePage},
        {Utf16(u"ab\r\n\xD800x\xDC00\xD83D\xDE00", true), L"ab\r\uFFFDx\uFFFD\xD83D\xDE00",
         Enc::Utf16Le},
        // Holes, at the start and after a line.
        {std::string(40, 0) + "\r\nz", std::wstring(40, L'\uFFFD') + L"\rz", Enc::Auto},
        {"abc\r\n" + std::string(40, 0), L"abc\r" + std::wstring(40, L'\uFFFD'), Enc::Auto}};
}

TEST(Insertion, LineIsWrittenInTheLogsEncodingOrNotAtAll) {
    const std::wstring smile = L"\xD83D\xDE00";
    const std::tuple<std::wstring, Enc, std::string, std::wstring> rows[] = {
        {L"éロ" + smile, Enc::Utf8, "\xC3\xA9\xE3\x83\xAD\xF0\x9F\x98\x80\r\n", L""},
        // Each length of UTF-8 at both of its bounds; pairs at both ends of their range.
        {L"\x7F\x80\u07FF\u0800\uFFFF\xD800\xDC00\xDBFF\xDFFF", Enc::Utf8,
         "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\r\n", L""},
        {L"ロ\xD800\xDC00" + smile, Enc::Utf16Le, Utf16(u"ロ\U00010000\U0001F600\r\n", true), L""},
        {L"ロ" + smile + L"\xDBFF\xDFFF", Enc::Utf16Be, Utf16(u"ロ\U0001F600\U0010FFFF\r\n", false),
         L""},
        {L"ログ", Enc::Auto, "\x83\x8D\x83\x4F\r\n", L""},  // a log still empty or ASCII
        {L"caf\u00E9 ok \u00E8", Enc::CodePage, "", L"\u00E9"},
        {L"a\xD800z", Enc::Utf8, "", L"\xD800"},
        {L"a\xDC00z", Enc::Utf16Le, "", L"\xDC00"},
    };
    for (const auto& [line, encoding, bytes, unwritable] : rows) {
        const InsertionBytes got = EncodeInsertion(line, encoding, CodePageBytes);
        EXPECT_EQ(std::tie(got.bytes, got.unwritable), std::tie(bytes, unwritable)) << Hex(bytes);
    }
}

class Follow : public ::testing::Test {
  protected:
    // What a pass adds to the display, stepping as the window does (a megabyte at most), and
    // jumping to the last 8 bytes' lines when more than `jumpBeyond` are new.
    static std::wstring Pass(Follower& follower, bool* restarted = nullptr,
                             uint64_t jumpBeyond = UINT64_MAX) {
        for (std::wstring text;;) {
            const PassResult r = follower.Step(kDefaultStepBytes, jumpBeyond, 8);
            if (r.status != PassStatus::Ok) return r.error == OpenError::NotFound ? L"!gone" : L"!";
            if (restarted) *restarted = *restarted || r.restarted;
            text += r.text;
            if (!r.more || text.size() > kDefaultStepBytes) return text;
        }
    }
    // Runs "append X =<bytes>", "truncate X <size>" and "rename X Y" joined by " + ", where X and
    // Y are files of the test's folder, each straight to the file; false when one failed.
    bool Apply(const std::string& ops) {
        bool ok = true;
        for (size_t at = 0, end; at < ops.size(); at = end + 3) {
            end = std::min(ops.find(" + ", at), ops.size());
            const std::string op = ops.substr(at, end - at);
            const size_t arg = op.find(' ') + 3;  // after the file's letter
            const std::wstring file = dir_.path(std::wstring(1, op[arg - 2]));
            if (op.starts_with("append")) ok = ok && WriteFileBytes(file, op.substr(arg + 1), true);
            if (op.starts_with("truncate"))
                ok = ok && ResizeFile(file, std::stoull(op.substr(arg)));
            if (op.starts_with("rename")) {
                std::filesystem::rename(file, dir_.path(std::wstring(1, op[arg])));  // or throws
            }
        }
        return ok;
    }

    TempDir dir_;
    const std::wstring log_ = dir_.path(L"L");
    std::unique_ptr<FileSource> files_ = SystemFiles();
};

// Each row's pieces are appended to a file of its own, empty at the open, by a second process
// in one write each; each is read by a pass of the file's follower (a second finds nothing)
// before the writer is let go on.
TEST_F(Follow, PiecesWrittenAppearOnceWithLineEndsAndCharactersWhole) {
    // The pieces; the text of each pass, or of them all when only one is given; the encoding.
    std::vector<std::tuple<std::vector<std::string>, std::vector<std::wstring>, Enc>> rows = {
        // An unfinished line shows at once; a CR and the LF of the next write are one line end.
        {{"time=12", ":00 ok\r", "\nnext\r", "\r\nlast\n\r"},
         {L"time=12", L":00 ok\r", L"next\r", L"\rlast\r\r"},
         Enc::Auto},
        // 82 82 is one character: only walking from the line start tells 82 is a trail byte.
        {{"\x82\x82", "\x82", "\x82\x82\x82\x82", "\xA0x\x81", "\x5C\r\n"},
         {Cp("\x82\x82"), L"", Cp("\x82\x82\x82\x82"), Cp("\x82\xA0x"), Cp("\x81\x5C\r")},
         Enc::CodePage},
    };
    // Every encoding a byte and five bytes at a time: a split at each offset of each character.
    for (size_t n : {1, 5}) {
        for (const auto& [bytes, shown, found] : EveryEncoding()) {
            rows.push_back({{}, {shown}, found});
            for (size_t at = 0; at < bytes.size(); at += n)
                std::get<0>(rows.back()).push_back(bytes.substr(at, n));
        }
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        const auto& [pieces, expected, found] = rows[r];
        const std::wstring path = dir_.path(std::to_wstring(r));
        WriteFileBytes(path, "");
        Follower follower(*files_, kCp);
        follower.Start(path);
        std::vector<std::filesystem::path> args = {L"pieces", path};
        for (const std::string& piece : pieces) args.emplace_back(Hex(piece));
        const WriterProcess writer(args);
        std::vector<std::wstring> passes;
        std::wstring all;
        uintmax_t size = 0;
        for (const std::string& piece : pieces) {
            size += piece.size();
            while (std::filesystem::file_size(path) < size && writer.Running())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_EQ(std::filesystem::file_size(path), size);
            all += passes.emplace_back(Pass(follower));
            EXPECT_EQ(Pass(follower), L"");
            EXPECT_FALSE(!all.empty() && all.back() >= 0xD800 && all.back() < 0xDC00) << "half";
            WriteFileBytes(path + L"." + std::to_wstring(passes.size() - 1), "");
        }
        EXPECT_EQ(writer.Wait(), 0);
        EXPECT_EQ(expected.size() == 1 ? std::vector{all} : passes, expected);
        EXPECT_EQ(follower.Encoding(), found);
    }
}

// Operations on files L, N and R ("=" takes the rest as bytes), then a pass of L's
// follower: its text ("!gone": no file; "+" when text jumped over waits to be read), restart
// and encoding. A tail limit starts a row: a new file, and a follower whose first pass and
// restarts read no more than that. "!start N" starts again with a first pass of N bytes, "!jump"
// makes the pass jump over all but the last 8 bytes' lines, "!from N" reads again from N instead.
TEST_F(Follow, ChangedFilesAreReadAgainFromTheirStartBelowWhatWasShown) {
    struct Step {
        uint64_t tail;
        std::string ops;
        std::wstring shown;
        bool restarted = false;
        std::optional<Enc> found = {};
    };
    const uint64_t all = kDefaultTailLimit;
    const std::string abc = "=0123456789\r\nabcdefghij\r\nklmno\r\n";  // 31 bytes
    std::string ascii;
    while (ascii.size() < 100 * 1024) ascii += "an ASCII line of 32 bytes, CRLF\r\n";
    const Step steps[] = {
        {all, "append L =one\r\ntwo\r\nthree\r\n", L"one\rtwo\rthree\r"},
        {0, "truncate L 8", L"one\rtwo", true},
        {0, "append L =\r\nfour\r\n", L"\rfour\r"},
        // Emptied and refilled between two passes, in the middle of a line and a character.
        {all, "append L =done\r\npartial\x82", L"done\rpartial"},
        {0, "truncate L 0 + append L =new and longer\r\n", Cp("\x82") + L"\rnew and longer\r",
         true},
        // What a jump went over belongs to the file as it was.
        {all, "append L =one\r\n", L"one\r"},
        {0, "!jump append L =skipped lines\r\nlast\r\n", L"last\r+"},
        {0, "truncate L 0 + append L =new\r\n", L"new\r", true},
        // Read again from where a pass ended, between a CR and its LF: no empty line.
        {0, "append L =\r", L"\r"},
        {0, "append L =\nmore\r\n", L"more\r"},
        {0, "!from 6", L"more\r"},
        // Replaced by a longer file that starts alike: only the file's identity tells.
        {all, "append L =line\r\n", L"line\r"},
        {0, "append N =line\r\nline 2\r\n + rename N L", L"line\rline 2\r", true},
        {all, "append L =before rotation\r\n", L"before rotation\r"},
        {0, "rename L R", L"!gone"},
        {0, "append L =after\r\n", L"after\r", true},
        // Rewritten in place, at the same length, then longer.
        {all, "append L =aaaa\r\nbbbb\r\n", L"aaaa\rbbbb\r"},
        {0, "truncate L 0 + append L =cccc\r\ndddd\r\n", L"cccc\rdddd\r", true},
        {0, "truncate L 0 + append L =cccc\r\nXXXX\r\neeee\r\n", L"cccc\rXXXX\reeee\r", true},
        // Once UTF-8, always UTF-8 for this file; a restart chooses again, and valid UTF-8 must
        // then last through the read; starting again shows the file again.
        {all, "append L =ok \xE3\x83\xAD\r\n", L"ok \u30ED\r", false, Enc::Utf8},
        {0, "append L =\x83\x8D\r\n", L"\uFFFD\uFFFD\r", false, Enc::Utf8},
        {0, "truncate L 0 + append L =ok \xE3\x83\xAD\x83\x8D\n", Cp("ok \xE3\x83\xAD\x83\x8D\r"),
         true, Enc::CodePage},
        {0, "!start", Cp("ok \xE3\x83\xAD\x83\x8D\r"), false, Enc::CodePage},
        // ASCII for 100 KiB, then UTF-8: read right from the first byte above 0x7F on, though
        // its character is split between two reads.
        {all, "append L =" + ascii, Cp(ascii)},
        {0, "append L =\xE3\x83", L""},
        {0, "append L =\xAD\r\n", L"\u30ED\r", false, Enc::Utf8},
        // The last part begins right at a line start, which is shown...
        {19, "append L " + abc, L"abcdefghij\rklmno\r"},
        // ...or at the LF of a CR LF, which is no empty line; a restart reads the last part, the
        // limit's and not that of the first pass of a start.
        {20, "append L " + abc, L"abcdefghij\rklmno\r"},
        {0, "!start 7", L"klmno\r"},
        {0, "truncate L 0 + append L =0123456789\r\nabcdefghij\r\nuvw\r", L"abcdefghij\ruvw\r",
         true},
        // A sparse file of 5 GiB, its hole one long line of NUL bytes: its end is shown.
        {all, "truncate L 5368709120 + append L =\r\nlast but one\r\nlast\r\n",
         L"last but one\rlast\r"},
        // A first part that begins at the LF of a CR LF and an empty line after it.
        {7, "append L =0123456789\r\n\nabc\r\n", L"\rabc\r"},
        // Empty at the open: all that is written later is new.
        {5, "truncate L 0", L""},
        {0, "append L " + abc, Cp(abc.substr(1))},
    };
    std::optional<Follower> follower;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.ops);
        if (step.tail) {
            std::filesystem::remove(std::filesystem::path(log_));
            follower.emplace(*files_, kCp, step.tail).Start(log_);
        }
        if (step.ops.starts_with("!start")) {
            follower->Start(log_,
                            step.ops.size() > 7 ? std::stoull(step.ops.substr(7)) : UINT64_MAX);
        } else {
            ASSERT_TRUE(Apply(step.ops.substr(step.ops.starts_with("!jump ") ? 6 : 0)));
        }
        bool restarted = false;
        const std::wstring shown =
            step.ops.starts_with("!from")
                ? follower->ReadAfter(std::stoull(step.ops.substr(6)), 1 << 20).text
                : Pass(*follower, &restarted, step.ops.starts_with("!jump") ? 8 : UINT64_MAX);
        EXPECT_EQ(shown + (follower->HasSkipped() ? L"+" : L""), step.shown);
        EXPECT_EQ(restarted, step.restarted);
        EXPECT_EQ(follower->Encoding(), step.found.value_or(follower->Encoding()));
    }
}

// The display is a window onto the file: it shows the end of a log first, takes older text in
// as the user scrolls up and newer text as the user scrolls down, and lets lines go at either
// end. In every encoding, found or chosen, whatever the first part and the blocks, the blocks
// read backwards and the first pass join into the file's text, and so do blocks read forwards
// from its start; every line start they give is a place to read the rest of the file from; the
// encoding the older text tells is kept for what is read next.
TEST_F(Follow, StretchesReadAgainJoinTheFileExactly) {
    for (const auto& [bytes, shown, found] : EveryEncoding()) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        WriteFileBytes(log_, bytes);
        for (uint64_t tail = 2; tail < bytes.size(); tail += 7) {
            for (size_t block : {9, 16, 64}) {
                SCOPED_TRACE("tail " + std::to_string(tail) + " block " + std::to_string(block));
                Follower follower(*files_, kCp), again(*files_, kCp);
                follower.Start(log_, tail, block == 16 ? found : Enc::Auto);
                again.Start(log_, tail);
                const PassResult first = (again.Step(), follower.Step());
                std::wstring all = first.text;
                std::vector<uint64_t> backwards = first.lineStarts;
                for (uint64_t top = first.readFrom; top > follower.TextStart();) {
                    const TextPiece older = follower.ReadBefore(top, block);
                    ASSERT_LT(older.from, top);
                    all = older.text + all, top = older.from;
                    backwards.insert(backwards.begin(), older.lineStarts.begin(),
                                     older.lineStarts.end());
                }
                EXPECT_EQ(all, shown);
                std::wstring forwards;
                std::vector<uint64_t> starts;
                for (uint64_t from = again.TextStart(); from < again.Position();) {
                    const TextPiece piece = again.ReadAfter(from, block);
                    ASSERT_GT(piece.to, from);
                    forwards += piece.text, from = piece.to;
                    starts.insert(starts.end(), piece.lineStarts.begin(), piece.lineStarts.end());
                }
                EXPECT_EQ(forwards, shown);
                EXPECT_EQ(std::pair(follower.Encoding(), again.Encoding()),
                          std::pair(found, found));
                EXPECT_EQ(starts, backwards);
                ASSERT_EQ(starts.size(), size_t(std::count(shown.begin(), shown.end(), L'\r')));
                for (size_t k = 0, cr = 0; k < starts.size(); ++k) {
                    cr = shown.find(L'\r', cr) + 1;
                    EXPECT_EQ(follower.ReadAfter(starts[k], 1 << 20).text, shown.substr(cr)) << k;
                    EXPECT_EQ(follower.LineStartAtOrAfter(starts[k], UINT64_MAX), starts[k]) << k;
                }
                EXPECT_EQ(follower.ReadTail(tail).text, first.text) << "the end, read again";
            }
        }
    }
}

// A hostile writer, a second process, splits lines, CR LF and characters anywhere: after each
// pass the text is that of the bytes read (but a held lead byte), at the end the file's.
TEST_F(Follow, TextFollowedDuringRandomWritesEqualsTheFile) {
    Follower follower(*files_, kCp);
    follower.Start(log_, UINT64_MAX, Enc::CodePage);  // random characters may pass for UTF-8
    WriterProcess writer({L"stress", log_, L"20240601", L"3"});
    std::wstring display;
    int passes = 0;
    for (bool running = true; running; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        running = writer.Running();
        for (bool more = true; more;) {
            const PassResult r = follower.Step(4096);  // so that passes end inside a write
            ASSERT_TRUE(r.status == PassStatus::Ok ||
                        (r.error == OpenError::NotFound && display.empty()));
            passes += !r.text.empty();
            display += r.text;
            more = r.more;
        }
        const std::string read = ReadFileBytes(log_).substr(0, follower.Position());
        ASSERT_TRUE(display == Cp(read) || display == Cp(read.substr(0, read.size() - 1)))
            << read.size();
    }
    EXPECT_EQ(writer.Wait(), 0);
    EXPECT_GE(passes, 20) << "the follower should have read while the writer wrote";
    EXPECT_TRUE(display == Cp(ReadFileBytes(log_))) << "the followed text differs from the file";
}

// A real folder through the system's own listing: the newest match by its files' last-write
// times, equal times to the name that sorts last, a newer folder and executable left out, and a
// newer name whose short 8.3 name alone matches; nothing in a folder out of reach.
TEST(NewestFile, RealFolderGivesItsNewestMatchingFile) {
    TempDir dir;
    const std::wstring in = SplitPatternPath(dir.path(L"*")).folder;
#ifdef _WIN32
    const auto lister = MakeWin32FolderLister();
    const auto at = [&](const std::wstring& name) { return std::filesystem::path(in + name); };
#else
    const auto lister = MakePosixFolderLister();
    // The library turns wide names into bytes through the locale, UTF-32 ones by itself.
    const auto at = [&](const std::wstring& name) {
        return std::filesystem::path(dir.dir()) / std::u32string(name.begin(), name.end());
    };
#endif
    const auto now = std::filesystem::file_time_type::clock::now();
    const std::pair<std::wstring, int> files[] = {
        {L"a_1.log", -50}, {L"a_2.log", -20}, {L"a_0.log", -20},  {L"a_3.log", -30},
        {L"a_4.exe", -1},  {L"a_6.logx", -2}, {L"ログ1.txt", -9}, {L"ログ2.TXT", -8}};
    ASSERT_TRUE(std::filesystem::create_directory(at(L"a_5")));  // newer than every file
    for (const auto& [name, age] : files) {
        ASSERT_TRUE(std::ofstream(at(name)).write("x", 1));
        std::filesystem::last_write_time(at(name), now + std::chrono::seconds(age));
    }
    for (auto [pattern, newest] : {std::pair<std::wstring, std::wstring>{L"a_*", L"a_6.logx"},
                                   {L"A_*.LOG", L"a_2.log"},
                                   {L"ログ?.txt", L"ログ2.TXT"},
                                   {L"*.none", L""},
                                   {L"none\\*.log", L""}}) {
        EXPECT_EQ(FindNewest(*lister, in + pattern).value_or(L""),
                  newest.empty() ? L"" : in + newest)
            << pattern;
    }
    const auto empty = lister->List(in, L"*.none");
    EXPECT_TRUE(empty && empty->empty()) << "a folder in reach without a match is listed empty";
}

}  // namespace
}  // namespace zr
