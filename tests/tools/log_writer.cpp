// Writes a log as real programs do, each write straight to the file, while a window test
// follows it; exits with 0 when every write succeeded. One operation:
//   stress <path> <seed> <seconds>  random text in random pieces, sharing only reading
//   hold <path> <seconds> <line>  keep the file open for appending, sharing nothing, writing
//       the ASCII line and CR LF every 100 ms
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <share.h>

namespace {

// A file open for appending, created when missing, that every write goes straight through.
class Out {
  public:
    // Another program may have the file open for a moment: what this share denies waits.
    Out(const std::wstring& path, int share) {
        for (int i = 0; !(f_ = _wfsopen(path.c_str(), L"ab", share)) && i < 400; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~Out() {
        if (f_) std::fclose(f_);
    }
    bool Put(const std::string& b) {
        return f_ && std::fwrite(b.data(), 1, b.size(), f_) == b.size() && !std::fflush(f_);
    }

  private:
    FILE* f_ = nullptr;
};

using Clock = std::chrono::steady_clock;

// Lines of any length, the three line ends, double-byte characters and NUL bytes, in pieces
// that end anywhere: between CR and LF, inside a character.
bool Stress(const std::wstring& path, uint64_t seed, double seconds) {
    Out out(path, _SH_DENYWR);
    std::mt19937_64 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::string ends[] = {"\r\n", "\n", "\r", std::string(1, '\0')};
    std::string pending;
    for (const auto until = Clock::now() + std::chrono::duration<double>(seconds);
         Clock::now() < until;) {
        while (pending.size() < 1024) {
            const int kind = pick(0, 99);
            if (kind < 70) {
                pending += static_cast<char>(pick(0x20, 0x7E));
            } else if (kind < 82) {  // a lead byte, and a trail byte of either range
                pending += static_cast<char>(pick(0, 1) ? pick(0x81, 0x9F) : pick(0xE0, 0xEF));
                pending += static_cast<char>(pick(0, 1) ? pick(0x40, 0x7E) : pick(0x80, 0xFC));
            } else {
                pending += ends[kind < 98 ? kind % 3 : 3];
            }
        }
        const size_t n = static_cast<size_t>(pick(1, 300));
        if (!out.Put(pending.substr(0, n))) return false;
        pending.erase(0, n);
        std::this_thread::sleep_for(std::chrono::microseconds(pick(0, 3000)));
    }
    return out.Put(pending);  // whole characters at the end, so the last line shows in full
}

bool Hold(const std::wstring& path, double seconds, const std::wstring& line) {
    Out out(path, _SH_DENYRW);
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    for (int i = 1; out.Put(std::string(line.begin(), line.end()) + "\r\n"); ++i) {
        std::this_thread::sleep_until(std::min(end, start + std::chrono::milliseconds(100 * i)));
        if (Clock::now() >= end) return true;
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> a(argv + 1, argv + argc);
    try {
        if (a.size() == 4 && a[0] == L"stress" && Stress(a[1], std::stoull(a[2]), std::stod(a[3])))
            return 0;
        if (a.size() == 4 && a[0] == L"hold" && Hold(a[1], std::stod(a[2]), a[3])) return 0;
    } catch (const std::exception&) {  // a malformed number
    }
    std::fprintf(stderr, "log_writer: the operation failed\n");
    return 1;
}
