// Follow benchmark: prints figures, asserts nothing.
//   - time of one pass after a 1 KiB append, for files of 1 MiB, 100 MiB and 1 GiB: it should
//     not grow with the file;
//   - first-pass throughput in each encoding: how fast a 100 MiB file of the same log text in
//     Shift_JIS, UTF-8 and UTF-16 LE is read and decoded into display text when opened whole.
// Run: build-*/follow_bench [folder for the files, default: the system temp folder]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "follow/follower.h"
#include "follow/insertion_text.h"

#include "log_text.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using zr::bench::kCodePage;
using zr::bench::LineBytes;
using zr::bench::LogLine;

std::unique_ptr<zr::FileSource> SystemFiles() {
#ifdef _WIN32
    return zr::MakeWin32FileSource();
#else
    return zr::MakePosixFileSource();
#endif
}

// The same log text in Shift_JIS.
std::string LogText(size_t bytes, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(bytes + 256);
    for (int line = 0; out.size() < bytes; ++line) {
        out += LineBytes(LogLine(line, rng), zr::TextEncoding::CodePage);
    }
    out.resize(bytes);
    return out;
}

void AppendBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Median time of a pass after a 1 KiB append; the appends themselves are not timed.
double PassAfterAppendMicros(zr::FileSource& files, const fs::path& path, double& firstPassMs) {
    zr::Follower follower(files, kCodePage);
    follower.Start(path.wstring());
    const auto t0 = Clock::now();
    while (follower.Step().more) {
    }
    firstPassMs = Micros(Clock::now() - t0) / 1000;

    const std::string kib = LogText(1024 - 2, 7) + "\r\n";
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        AppendBytes(path, kib);
        const auto start = Clock::now();
        zr::PassResult r = follower.Step();
        times.push_back(Micros(Clock::now() - start));
        if (r.text.empty() || r.more || r.restarted) {
            std::printf("  unexpected pass result (%zu characters, more=%d, restarted=%d)\n",
                        r.text.size(), r.more, r.restarted);
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir =
        (argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) /
        ("zororuv-follow-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    auto files = SystemFiles();

    std::printf("Pass after a 1 KiB append (median of 200 passes)\n");
    struct Case {
        const char* name;
        uint64_t size;
        bool sparse;
    };
    const Case cases[] = {{"1 MiB", 1ull << 20, false},
                          {"100 MiB", 100ull << 20, false},
                          {"1 GiB", 1ull << 30, true}};
    double first = 0;
    double last = 0;
    for (const Case& c : cases) {
        const fs::path path = dir / (std::string("log-") + std::to_string(c.size));
        if (c.sparse) {
            // A hole, then 16 MiB of text at the end: the follower reads only the end anyway.
            { std::ofstream create(path, std::ios::binary); }
            fs::resize_file(path, c.size - (16ull << 20));
            AppendBytes(path, "\r\n" + LogText((16ull << 20) - 2, 1));
        } else {
            const std::string block = LogText(1 << 20, 1);
            std::ofstream out(path, std::ios::binary);
            for (uint64_t done = 0; done < c.size; done += block.size()) {
                out.write(block.data(), static_cast<std::streamsize>(block.size()));
            }
        }
        double firstPassMs = 0;
        const double us = PassAfterAppendMicros(*files, path, firstPassMs);
        std::printf("  %-8s%s  pass %8.1f us   (first pass on open: %7.1f ms)\n", c.name,
                    c.sparse ? " (sparse)" : "         ", us, firstPassMs);
        if (&c == &cases[0]) first = us;
        last = us;
        fs::remove(path);
    }
    std::printf("  ratio 1 GiB / 1 MiB: %.2f\n\n", last / first);

    // First pass over a whole 100 MiB file: reading, line ends and decoding of everything.
    std::printf(
        "First pass of a 100 MiB file, whole (1 MiB steps, file in the page cache;\n"
        "median of 3 runs; MB/s of the file, M/s of display characters)\n");
    struct Encoding {
        const char* name;
        zr::TextEncoding encoding;
        const char* mark;
    };
    const Encoding encodings[] = {{"Shift_JIS", zr::TextEncoding::CodePage, ""},
                                  {"UTF-8", zr::TextEncoding::Utf8, ""},
                                  {"UTF-16 LE", zr::TextEncoding::Utf16Le, "\xFF\xFE"}};
    double base[2] = {0, 0};
    for (const Encoding& e : encodings) {
        const fs::path path = dir / (std::string("first-pass-") + e.name);
        uint64_t size = 0;
        {
            std::ofstream out(path, std::ios::binary);
            std::string block = e.mark;
            std::mt19937 rng(3);
            for (int line = 0; size < (100ull << 20); ++line) {
                block += LineBytes(LogLine(line, rng), e.encoding);
                if (block.size() >= (1 << 20)) {
                    out.write(block.data(), static_cast<std::streamsize>(block.size()));
                    size += block.size();
                    block.clear();
                }
            }
        }
        std::vector<double> bytesRate;
        std::vector<double> charRate;
        zr::TextEncoding found = zr::TextEncoding::Auto;
        size_t shown = 0;
        for (int i = 0; i < 3; ++i) {
            zr::Follower follower(*files, kCodePage, UINT64_MAX);
            follower.Start(path.wstring());
            shown = 0;
            const auto start = Clock::now();
            for (;;) {
                zr::PassResult r = follower.Step();
                shown += r.text.size();
                if (!r.more) break;
            }
            const double secs = std::chrono::duration<double>(Clock::now() - start).count();
            found = follower.Encoding();
            bytesRate.push_back(static_cast<double>(size) / 1e6 / secs);
            charRate.push_back(static_cast<double>(shown) / 1e6 / secs);
        }
        std::sort(bytesRate.begin(), bytesRate.end());
        std::sort(charRate.begin(), charRate.end());
        const double rates[2] = {bytesRate[1], charRate[1]};
        if (base[0] == 0) std::copy(rates, rates + 2, base);
        std::printf("  %-10s %6.0f MB/s  %6.0f M chars/s   (x%.2f, x%.2f of Shift_JIS)%s\n", e.name,
                    rates[0], rates[1], rates[0] / base[0], rates[1] / base[1],
                    found == e.encoding ? "" : "  (read in another encoding!)");
        fs::remove(path);
    }
    fs::remove_all(dir);
    return 0;
}
