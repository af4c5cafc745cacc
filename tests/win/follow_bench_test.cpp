// Benchmarks of the real window under Wine; they print figures and are not run by default:
//   window_tests --gtest_also_run_disabled_tests --gtest_filter='DISABLED_FollowBench.*'
// Run each size in a process of its own, so that the peak working set is its own.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "follow_helpers.h"

namespace zr::test {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Memory {
    double peakWorkingSetMiB, workingSetMiB, peakPrivateMiB;
};
Memory ProcessMemory() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return {pmc.PeakWorkingSetSize / 1048576.0, pmc.WorkingSetSize / 1048576.0,
            pmc.PeakPagefileUsage / 1048576.0};
}

// Log-like lines: a time, a level, a message of varied length, some Japanese text and now
// and then an empty line.
std::string LogBlock(size_t bytes, uint32_t seed, size_t& lineNo) {
    std::mt19937 rng(seed);
    static const char* const kLevels[] = {"INFO ", "DEBUG", "WARN ", "ERROR"};
    std::string out;
    out.reserve(bytes + 256);
    char head[64];
    while (out.size() < bytes) {
        const unsigned n = rng();
        std::snprintf(head, sizeof head, "2024-06-07 12:%02u:%02u.%03u [%s] #%zu ", n % 60,
                      (n >> 6) % 60, (n >> 12) % 1000, kLevels[(n >> 22) % 4], lineNo++);
        out += head;
        out.append(10 + (n >> 24) % 90, static_cast<char>('a' + (n >> 8) % 26));
        if (n % 7 == 0) out += " \x8f\x88\x97\x9d\x8a\xae\x97\xb9";  // 処理完了
        out += "\r\n";
        if (n % 23 == 0) out += "\r\n";
    }
    return out;
}

// Writes a log of about `size` bytes and returns its last `keep` bytes.
std::string MakeLog(const std::wstring& path, size_t size, size_t keep) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string tail;
    size_t written = 0, lineNo = 0;
    for (uint32_t seed = 1; written < size; ++seed) {
        const std::string block = LogBlock(std::min<size_t>(1 << 20, size - written), seed, lineNo);
        DWORD done = 0;
        WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &done, nullptr);
        written += block.size();
        tail += block;
        if (tail.size() > 2 * keep) tail.erase(0, tail.size() - keep);
    }
    CloseHandle(h);
    if (tail.size() > keep) tail.erase(0, tail.size() - keep);
    return tail;
}

// What the first pass shows of a file whose last bytes are `tail`: all of it when the file is
// small, else everything after the first line end in its last 8,000,000 bytes.
std::wstring FirstPassText(const std::string& tail, size_t fileSize) {
    constexpr size_t kLimit = 8'000'000;
    if (fileSize <= kLimit) return ExpectedDisplay(tail);
    size_t at = tail.find_first_of("\r\n", tail.size() - kLimit - 1);
    at += tail[at] == '\r' && tail[at + 1] == '\n' ? 2 : 1;
    return ExpectedDisplay(tail.substr(at));
}

void OpenToDisplay(size_t size) {
    ClearConfig();
    ScriptedUi ui;
    TempDir dir;
    const std::wstring log = dir.path(L"bench.log");
    const auto made = Clock::now();
    const std::string tail = MakeLog(log, size, 8'100'000);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &info);
    const size_t fileSize = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const std::wstring expected = FirstPassText(tail, fileSize);
    std::printf("log of %.1f MiB written in %.0f ms\n", fileSize / 1048576.0, MsSince(made));

    auto main = StartMain();  // the default read interval
    const Memory before = ProcessMemory();
    const auto open = Clock::now();
    main->OpenFile(log);
    double firstText = 0;
    ASSERT_TRUE(PumpOneUntil(
        [&] {
            if (firstText == 0 && DisplayLength(*main) > 0) firstText = MsSince(open);
            return DisplayLength(*main) >= expected.size() && Label1(*main).empty();
        },
        600000));
    const double shown = MsSince(open);
    const Memory after = ProcessMemory();
    EXPECT_EQ(DisplayText(*main), expected);
    std::printf(
        "open -> first text %.0f ms (interval %u ms), open -> whole %zu characters shown "
        "%.0f ms; the pass itself %.0f ms (%.2f M characters/s)\n",
        firstText, main->TimerInterval(), expected.size(), shown, shown - main->TimerInterval(),
        expected.size() / 1e3 / (shown - main->TimerInterval()));
    std::printf(
        "working set: %.1f MiB before the open, %.1f MiB after, peak %.1f MiB; peak private "
        "%.1f MiB\n",
        before.workingSetMiB, after.workingSetMiB, after.peakWorkingSetMiB, after.peakPrivateMiB);
}

TEST(DISABLED_FollowBench, OpenToDisplay5MiB) {
    OpenToDisplay(5u << 20);
}
TEST(DISABLED_FollowBench, OpenToDisplay50MiB) {
    OpenToDisplay(50u << 20);
}
TEST(DISABLED_FollowBench, OpenToDisplay500MiB) {
    OpenToDisplay(500u << 20);
}

// Time from a write's return to its line in the display, at the default interval, with the
// display nearly empty and with it full (every tick then drops lines at the top).
void Latency(size_t initial) {
    ClearConfig();
    ScriptedUi ui;
    TempDir dir;
    const std::wstring log = dir.path(L"latency.log");
    MakeLog(log, initial, 0);
    auto main = StartMain();
    main->OpenFile(log);
    if (initial > 0) {
        ASSERT_TRUE(
            PumpUntil([&] { return DisplayLength(*main) > 0 && Label1(*main).empty(); }, 600000));
    }
    std::mt19937 rng(42);
    std::vector<double> samples;
    for (int i = 0; i < 20; ++i) {
        Pump(std::uniform_int_distribution<int>(0, 999)(rng));
        char line[64];
        std::snprintf(line, sizeof line, "latency probe %d\r\n", i);
        const std::wstring want = ExpectedDisplay(line);
        HANDLE h = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        WriteFile(h, line, static_cast<DWORD>(std::strlen(line)), &done, nullptr);
        CloseHandle(h);
        const auto written = Clock::now();
        ASSERT_TRUE(PumpOneUntil([&] { return DisplayTail(*main, want.size()) == want; }, 10000));
        samples.push_back(MsSince(written));
    }
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double s : samples) sum += s;
    std::printf(
        "display of %zu characters, interval %u ms: write -> shown min %.0f ms, median %.0f ms, "
        "mean %.0f ms, max %.0f ms (20 writes at random moments)\n",
        DisplayLength(*main), main->TimerInterval(), samples.front(), samples[samples.size() / 2],
        sum / samples.size(), samples.back());

    if (initial == 0) return;
    // A block that takes the display past its limit: it is rebuilt with its latest lines.
    size_t lineNo = 0;
    const std::string block = LogBlock(300'000, 99, lineNo);
    const std::wstring last =
        ExpectedDisplay(block.substr(block.rfind("\r\n", block.size() - 3) + 2));
    const size_t before = DisplayLength(*main);
    WriteFileBytes(log, block, true);
    const auto written = Clock::now();
    ASSERT_TRUE(PumpOneUntil([&] { return DisplayTail(*main, last.size()) == last; }, 60000));
    std::printf(
        "a block of %zu bytes past the limit: shown %.0f ms after its write; the display went "
        "from %zu to %zu characters; working set peak %.1f MiB\n",
        block.size(), MsSince(written), before, DisplayLength(*main),
        ProcessMemory().peakWorkingSetMiB);
}

TEST(DISABLED_FollowBench, LatencySmallDisplay) {
    Latency(0);
}
TEST(DISABLED_FollowBench, LatencyFullDisplay) {
    Latency(9u << 20);
}

}  // namespace
}  // namespace zr::test
