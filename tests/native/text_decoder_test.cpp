// Encodings: what a file's start says, decoding in pieces, and lines written into a log.
#include "follow/text_decoder.h"

#include <gtest/gtest.h>

#include "follow/insertion_text.h"
#include "test_files.h"

namespace zr {
namespace {

using Enc = TextEncoding;

TEST(TextEncoding, FileStartTellsTheMarkOrUtf16OrWaits) {
    struct Row {
        std::string head;
        HeadEncoding expected;
    };
    const Row rows[] = {
        {"", {Enc::Auto, 0, true}},
        {"a", {Enc::Auto, 0, true}},
        {"\xEF\xBB", {Enc::Auto, 0, true}},
        {"\xEF\xBB\xBF", {Enc::Utf8, 3, false}},
        {"\xFF\xFE"
         "a",
         {Enc::Utf16Le, 2, false}},
        {"\xFE\xFF", {Enc::Utf16Be, 2, false}},
        {"\xEF\xBB"
         "a",
         {Enc::Auto, 0, false}},
        {"ab", {Enc::Auto, 0, false}},
        {std::string("1\0", 2), {Enc::Utf16Le, 0, false}},
        {test::Utf16Bytes(u"12:00 ログ開始\r\n", true), {Enc::Utf16Le, 0, false}},
        {test::Utf16Bytes(u"ログ開始です", true), {Enc::Auto, 0, false}},
        {std::string(300, '\0'), {Enc::Auto, 0, false}},  // a hole
        {std::string("a\0b\r\nc", 6), {Enc::Auto, 0, false}},
    };
    for (const Row& row : rows) {
        const HeadEncoding got = EncodingOfHead(row.head);
        EXPECT_EQ(got.encoding, row.expected.encoding) << test::Hex(row.head);
        EXPECT_EQ(got.markBytes, row.expected.markBytes) << test::Hex(row.head);
        EXPECT_EQ(got.needMore, row.expected.needMore) << test::Hex(row.head);
    }
}

// Each row is decoded in every way it can be cut into three pieces: always the same text.
TEST(TextEncoding, DecodingInPiecesGivesTheTextOfTheWhole) {
    struct Row {
        Enc start;
        std::string bytes;
        std::wstring shown;  // after the end is flushed
        Enc found;
    };
    const std::string utf16 =
        test::Utf16Bytes(u"a\r\nb\rc\n\n\U0001F600", true) + std::string(2, '\0');
    const Row rows[] = {
        {Enc::Utf8, std::string("a\xE3\x83\xAD\xF0\x9F\x98\x80\r\n\r\rb\n\0", 15),
         L"a\u30ED\xD83D\xDE00\r\r\rb\r\uFFFD", Enc::Utf8},
        {Enc::Utf8,
         "b\xE3\x83"
         "c\xED\xA0\x80\xC0\xAF\xF4\x90\x80\xFF\xEF\xBF\xBD\xE3\x83",
         L"b\uFFFDc\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", Enc::Utf8},
        {Enc::Auto, "ab\r\ncd\xE3\x83\xAD\r", L"ab\rcd\u30ED\r", Enc::Utf8},
        {Enc::Auto, "ab\r\ncd\x83\x8D\r", L"ab\rcd" + test::CodePageText("\x83\x8D") + L"\r",
         Enc::CodePage},
        {Enc::CodePage, "a\x82\xA0\x82\r\n\x83\x5C\x95",
         L"a" + test::CodePageText("\x82\xA0\x82") + L"\r" + test::CodePageText("\x83\x5C") +
             test::CodePageText("\x95"),
         Enc::CodePage},
        {Enc::Utf16Le, utf16 + test::Utf16Bytes(u"\xD800x\xDC00\xD83D", true) + "y",
         L"a\rb\rc\r\r\xD83D\xDE00\uFFFD\uFFFDx\uFFFD\uFFFD", Enc::Utf16Le},
        {Enc::Utf16Be, test::Utf16Bytes(u"a\r\nb\r\r\n\U0001F600\xDBFF", false),
         L"a\rb\r\r\xD83D\xDE00\uFFFD", Enc::Utf16Be},
    };
    for (const Row& row : rows) {
        const std::string_view bytes = row.bytes;
        for (size_t i = 0; i <= bytes.size(); ++i) {
            for (size_t j = i; j <= bytes.size(); ++j) {
                TextDecoder decoder(test::TestCodePage(), row.start);
                std::wstring shown;
                decoder.Decode(bytes.substr(0, i), shown);
                decoder.Decode(bytes.substr(i, j - i), shown);
                decoder.Decode(bytes.substr(j), shown);
                decoder.Flush(shown);
                ASSERT_EQ(shown, row.shown) << test::Hex(row.bytes) << " cut at " << i << ", " << j;
                ASSERT_EQ(decoder.Encoding(), row.found) << test::Hex(row.bytes);
                EXPECT_LE(shown.size(), bytes.size());
            }
        }
    }
}

TEST(TextEncoding, InsertedLineIsWrittenInTheLogsEncodingOrNotAtAll) {
    struct Row {
        std::wstring line;
        Enc encoding;
        std::string bytes;
        std::wstring unwritable;
    };
    const std::wstring smile = L"\xD83D\xDE00";
    const Row rows[] = {
        {L"12:00 ログ", Enc::Utf8, test::Utf8Bytes(u8"12:00 ログ\r\n"), L""},
        {L"ログ" + smile, Enc::Utf8, test::Utf8Bytes(u8"ログ\U0001F600\r\n"), L""},
        {L"ログ" + smile, Enc::Utf16Le, test::Utf16Bytes(u"ログ\U0001F600\r\n", true), L""},
        {L"ログ" + smile, Enc::Utf16Be, test::Utf16Bytes(u"ログ\U0001F600\r\n", false), L""},
        {L"ログ①", Enc::CodePage, "\x83\x8D\x83\x4F\x87\x40\r\n", L""},
        {L"ログ", Enc::Auto, "\x83\x8D\x83\x4F\r\n", L""},
        {L"caf\u00E9 ok \u00E8", Enc::CodePage, "", L"\u00E9"},
        {L"a" + smile + L"b", Enc::Auto, "", smile},
        {L"a\xD800"
         L"b",
         Enc::Utf8, "", L"\xD800"},
        {L"a\xDC00"
         L"b",
         Enc::Utf16Le, "", L"\xDC00"},
    };
    for (const Row& row : rows) {
        const InsertionBytes got = EncodeInsertion(row.line, row.encoding, test::CodePageBytes);
        EXPECT_EQ(got.bytes, row.bytes) << test::Hex(got.bytes);
        EXPECT_EQ(got.unwritable, row.unwritable);
    }
}

}  // namespace
}  // namespace zr
