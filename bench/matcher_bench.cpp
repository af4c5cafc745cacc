// Matcher benchmark: prints figures, asserts nothing.
//   How fast the line scanner finds the lines a query matches in 100 MiB of log text (the
//   follow benchmark's lines) in Shift_JIS, UTF-8 and UTF-16 LE, fed in 1 MiB pieces from
//   memory, decoding included: MB/s of the file's bytes, best of 3 runs. The query is one term,
//   case and width ignored: terms found in no line (the most work: every line is ruled out)
//   and terms found in every line. The goal is 500 MB/s in every row. "info value" and
//   "ログ info" are the hardest kind of term for the scanner: each pair of neighbouring
//   characters in them is in nearly every line, so nearly every line is looked at closely, and
//   for the second (Japanese characters in the term and in the line) decoded.
// Run: build-*/matcher_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "follow/insertion_text.h"
#include "follow/line_scanner.h"

#include "log_text.h"

using Clock = std::chrono::steady_clock;

namespace {

using zr::bench::kCodePage;
using zr::bench::LineBytes;
using zr::bench::LogLine;

}  // namespace

int main() {
    struct Encoding {
        const char* name;
        zr::TextEncoding encoding;
    };
    const Encoding encodings[] = {{"Shift_JIS", zr::TextEncoding::CodePage},
                                  {"UTF-8", zr::TextEncoding::Utf8},
                                  {"UTF-16 LE", zr::TextEncoding::Utf16Le}};
    const wchar_t* terms[] = {L"error",
                              L"timeout",
                              L"\"info value\"",
                              L"\"\u30ED\u30B0 info\"",
                              L"\uFF25\uFF52\uFF52\uFF4F\uFF52",
                              L"\u30A8\u30E9\u30FC",
                              L"worker",
                              L"info",
                              L"\uFF29\uFF2E\uFF26\uFF2F"};
    std::printf(
        "Line scanner over 100 MiB of log text, 1 MiB pieces from memory, decoding included\n"
        "(one term, case and width ignored; best of 3 runs; MB/s of the file's bytes)\n");
    std::printf("  %-10s %-10s %10s %12s\n", "encoding", "term", "MB/s", "lines found");
    for (const Encoding& e : encodings) {
        std::string bytes;
        bytes.reserve((100u << 20) + 4096);
        std::mt19937 rng(3);
        size_t lines = 0;
        for (int line = 0; bytes.size() < (100u << 20); ++line, ++lines) {
            bytes += LineBytes(LogLine(line, rng), e.encoding);
        }
        for (const wchar_t* term : terms) {
            const zr::Matcher matcher(term);
            double best = 0;
            size_t found = 0;
            for (int run = 0; run < 3; ++run) {
                zr::LineScanner scanner(matcher, e.encoding, kCodePage);
                std::vector<zr::ByteRange> matches;
                found = 0;
                const auto start = Clock::now();
                for (size_t at = 0; at < bytes.size(); at += 1 << 20) {
                    scanner.Feed(std::string_view(bytes).substr(at, 1 << 20), matches);
                    found += matches.size();
                    matches.clear();
                }
                scanner.Finish(matches);
                found += matches.size();
                const double secs = std::chrono::duration<double>(Clock::now() - start).count();
                best = std::max(best, static_cast<double>(bytes.size()) / 1e6 / secs);
            }
            // The term as the console shows it: ASCII, or its code points.
            std::string shown;
            for (const wchar_t* c = term; *c; ++c) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(*c));
                shown += *c < 0x80 ? std::string(1, static_cast<char>(*c)) : std::string(hex);
            }
            std::printf("  %-10s %-30s %8.0f %9zu of %zu\n", e.name, shown.c_str(), best, found,
                        lines);
        }
    }
    return 0;
}
