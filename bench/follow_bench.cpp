// Follow benchmark: prints figures, asserts nothing.
//   - time of one pass after a 1 KiB append, for files of 1 MiB, 100 MiB and 1 GiB: it should
//     not grow with the file;
//   - first-pass throughput: how fast the last part of a large file is taken in when opened.
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

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::unique_ptr<zr::FileSource> SystemFiles() {
#ifdef _WIN32
    return zr::MakeWin32FileSource();
#else
    return zr::MakePosixFileSource();
#endif
}

// Log-like text: time stamps, ASCII and Shift_JIS words, CR LF line ends.
std::string LogText(size_t bytes, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(bytes + 128);
    for (int line = 0; out.size() < bytes; ++line) {
        out += "2024-06-01 12:00:" + std::to_string(line % 60) + " INFO worker ";
        const int words = static_cast<int>(rng() % 12);
        for (int w = 0; w < words; ++w) {
            if (rng() % 4 == 0) {
                out += "\x83\x8D\x83\x4F ";  // ログ
            } else {
                out += "value=" + std::to_string(rng() % 100000) + ' ';
            }
        }
        out += "\r\n";
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
    zr::Follower follower(files, zr::IsShiftJisLeadByte);
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
        if (r.text.size() < 1024 || r.more || r.restarted) {
            std::printf("  unexpected pass result (%zu bytes, more=%d, restarted=%d)\n",
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

    // First pass over a file just under the display limit: the line scan of everything shown.
    const fs::path path = dir / "first-pass";
    const std::string text = LogText(7'900'000, 3);
    AppendBytes(path, text);
    std::vector<double> rates;
    for (int i = 0; i < 10; ++i) {
        zr::Follower follower(*files, zr::IsShiftJisLeadByte);
        follower.Start(path.wstring());
        size_t shown = 0;
        const auto start = Clock::now();
        for (;;) {
            zr::PassResult r = follower.Step();
            shown += r.text.size();
            if (!r.more) break;
        }
        const double secs = std::chrono::duration<double>(Clock::now() - start).count();
        if (shown != text.size()) std::printf("  unexpected text size %zu\n", shown);
        rates.push_back(static_cast<double>(text.size()) / 1e6 / secs);
    }
    std::sort(rates.begin(), rates.end());
    std::printf("First pass of a %.1f MB file (1 MiB steps, file in the page cache)\n",
                static_cast<double>(text.size()) / 1e6);
    std::printf("  median %.0f MB/s, best %.0f MB/s over %zu runs\n", rates[rates.size() / 2],
                rates.back(), rates.size());

    fs::remove_all(dir);
    return 0;
}
