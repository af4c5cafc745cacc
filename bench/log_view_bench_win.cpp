// Log view benchmark on the real main window: prints figures, asserts nothing.
//   log_view_bench <5MiB|50MiB|500MiB|5GiB-sparse> <folder>
// For a log of the given size (the sparse one is a hole with lines at its end), in order:
//   - the time from the open to the file's last line visible in the display;
//   - Find of a text that only the file's first line holds, upwards from the end;
//   - Ctrl+Home and Ctrl+End: the time until the first or the last lines are painted;
//   - scrolling up: the time of each of 40 scroll-up extensions (largest and median);
//   - following a writer that appends 50 MiB, and the time the display takes to catch up;
//   - a burst of 100 MiB appended at once: the time until its last line is painted, and the
//     longest and median reply to a message sent to the main window meanwhile;
//   - passes that append one 200-character line to a display holding its bound;
//   - a filter whose only match is the first line (not for the sparse log): the time from its
//     last keystroke to that line shown, and the longest reply to a message meanwhile;
//   - a pass that adds 1,000 lines, without highlight rules and with ten of them;
//   - the peak working set after the open, after scrolling, after following, after the burst.
// Run every case, each in a process of its own so that its peak is its own:
//   bash scripts/bench-log-view.sh
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/controls_win.h"
#include "highlight/highlight_store_win.h"
#include "mainwindow/main_window_win.h"
#include "settings/registry_win.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize / 1048576.0;
}

void PumpFor(int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    MSG msg;
    while (Clock::now() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

template <typename Done>
bool PumpUntil(Done done, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    MSG msg;
    while (!done()) {
        if (Clock::now() > end) return false;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    return true;
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

bool Append(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                    done == bytes.size();
    CloseHandle(h);
    return ok;
}

// Writes the log; the sparse one is a hole of `size` bytes with a few lines after it. The first
// line of the others holds a text found nowhere else.
constexpr char kFirstLine[] = "first line: needle-at-the-start";
bool MakeLog(const std::wstring& path, uint64_t size, bool sparse, size_t& lineNo) {
    DeleteFileW(path.c_str());
    if (!sparse && !Append(path, std::string(kFirstLine) + "\r\n")) return false;
    if (sparse) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        const bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
        CloseHandle(h);
        return ok && Append(path, "\r\n" + LogBlock(200'000, 1, lineNo));
    }
    for (uint32_t seed = 1; size > 0; ++seed) {
        const std::string block = LogBlock(std::min<uint64_t>(1 << 20, size), seed, lineNo);
        if (!Append(path, block)) return false;
        size -= std::min<uint64_t>(size, block.size());
    }
    return true;
}

struct View {
    zr::MainWindow& main;
    HWND display() const { return main.Control(zr::IDC_RICHTEXT); }
    size_t Length() const {
        GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
        return static_cast<size_t>(
            SendMessageW(display(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0));
    }
    std::wstring Tail(size_t n) const {
        const size_t length = Length();
        const size_t from = length > n ? length - n : 0;
        std::wstring text(length - from + 1, L'\0');
        TEXTRANGEW range{{static_cast<LONG>(from), static_cast<LONG>(length)}, text.data()};
        text.resize(static_cast<size_t>(
            SendMessageW(display(), EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
        return text;
    }
    // The last line is in the client area and painted.
    bool EndShown() const {
        const size_t length = Length();
        if (length < 2) return false;
        RECT client;
        GetClientRect(display(), &client);
        POINTL at{};
        SendMessageW(display(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), length - 2);
        return at.y >= client.top && at.y < client.bottom &&
               !GetUpdateRect(display(), nullptr, FALSE);
    }
    // The first line of the display is at the top of its client area and painted.
    bool StartShown() const {
        return SendMessageW(display(), EM_GETFIRSTVISIBLELINE, 0, 0) == 0 && Length() > 0 &&
               !GetUpdateRect(display(), nullptr, FALSE);
    }
    std::wstring Selected() const {
        CHARRANGE r{};
        SendMessageW(display(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
        std::wstring text(static_cast<size_t>(std::max<LONG>(r.cpMax - r.cpMin, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(display(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
        return text;
    }
    bool Idle() const { return zr::ControlText(main.hwnd(), zr::IDC_LABEL1).empty(); }
    // Ctrl with `key`, as the keyboard gives it to the display.
    void CtrlKey(WPARAM key) const {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(display(), WM_KEYDOWN, key, 0);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
};

// Sends the main window a message every few milliseconds from a thread of its own and keeps
// how long each took to be answered.
class Prober {
  public:
    explicit Prober(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  const auto t = Clock::now();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
                  replies_.push_back(MsSince(t));
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
              done_ = true;
          }) {}
    // Ends the probing; the window keeps answering until the last message is answered.
    std::vector<double> Stop() {
        stop_ = true;
        while (!done_) PumpFor(5);
        thread_.join();
        return replies_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::vector<double> replies_;
    std::thread thread_;
};

std::wstring LastLine(const std::string& bytes) {
    const size_t end = bytes.rfind("\r\n", bytes.size() - 3);
    std::string line = bytes.substr(end + 2, bytes.size() - end - 4);
    // ASCII only in the part compared.
    line.resize(std::min<size_t>(line.size(), 30));
    return std::wstring(line.begin(), line.end());
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Run(const std::wstring& which, const std::wstring& folder) {
    uint64_t size = 0;
    bool sparse = false;
    if (which == L"5MiB") size = 5ull << 20;
    if (which == L"50MiB") size = 50ull << 20;
    if (which == L"500MiB") size = 500ull << 20;
    if (which == L"5GiB-sparse") size = 5ull << 30, sparse = true;
    if (size == 0) return 2;

    const std::wstring log = folder + L"\\bench.log";
    size_t lineNo = 0;
    const auto made = Clock::now();
    if (!MakeLog(log, size, sparse, lineNo)) {
        std::printf("cannot write %ls\n", log.c_str());
        return 1;
    }
    std::printf("case %ls: log written in %.0f ms\n", which.c_str(), MsSince(made));

    RegDeleteTreeW(HKEY_CURRENT_USER, zr::kConfigKey);
    zr::MainWindow main;
    if (!main.Create(SW_SHOWNORMAL, false)) return 1;
    View view{main};
    PumpFor(300);

    // The open: the first pass runs at once; then until the end is painted.
    const auto open = Clock::now();
    main.OpenFile(log);
    const bool shown = PumpUntil([&] { return view.EndShown(); }, 60000);
    std::printf("open_to_last_line_ms %.1f%s\n", MsSince(open), shown ? "" : " (not shown)");
    PumpUntil([&] { return view.Idle(); }, 60000);
    std::printf("display_after_open_chars %zu\n", view.Length());
    std::printf("peak_ws_after_open_mib %.1f\n", PeakWorkingSetMiB());

    // Find, upwards from the end, of what only the first line holds.
    if (!sparse) {
        SendMessageW(main.hwnd(), WM_COMMAND, zr::IDM_FIND, 0);
        HWND dialog = nullptr;
        PumpUntil([&] { return (dialog = FindWindowW(L"#32770", nullptr)) != nullptr; }, 5000);
        SetDlgItemTextW(dialog, 0x480, L"needle-at-the-start");
        const auto find = Clock::now();
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        const bool found =
            PumpUntil([&] { return view.Selected() == L"needle-at-the-start"; }, 120000);
        std::printf("find_first_line_from_end_ms %.1f%s\n", MsSince(find),
                    found ? "" : " (not found)");
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        PumpFor(100);
    }

    // Ctrl+End (back from the match found), Ctrl+Home, Ctrl+End.
    view.CtrlKey(VK_END);
    PumpUntil([&] { return view.EndShown(); }, 60000);
    const auto home = Clock::now();
    view.CtrlKey(VK_HOME);
    const bool started = PumpUntil([&] { return view.StartShown(); }, 60000);
    std::printf("ctrl_home_ms %.1f%s\n", MsSince(home), started ? "" : " (not shown)");
    const auto end = Clock::now();
    view.CtrlKey(VK_END);
    const bool ended = PumpUntil([&] { return view.EndShown(); }, 60000);
    std::printf("ctrl_end_ms %.1f%s\n", MsSince(end), ended ? "" : " (not shown)");

    // Scrolling up, a scroll-bar click at a time, 40 times older text comes in.
    std::vector<double> extensions;
    for (int i = 0; i < 40; ++i) {
        const size_t before = view.Length();
        const auto t = Clock::now();
        SendMessageW(view.display(), WM_VSCROLL, SB_TOP, 0);
        if (!PumpUntil([&] { return view.Length() != before; }, 2000)) break;
        extensions.push_back(MsSince(t));
    }
    std::printf("scroll_up_extensions %zu\n", extensions.size());
    std::printf("scroll_up_extension_max_ms %.1f\n",
                extensions.empty() ? 0 : *std::max_element(extensions.begin(), extensions.end()));
    std::printf("scroll_up_extension_median_ms %.1f\n", Median(extensions));
    std::printf("display_after_scrolling_chars %zu\n", view.Length());
    std::printf("peak_ws_after_scrolling_to_top_mib %.1f\n", PeakWorkingSetMiB());
    view.CtrlKey(VK_END);
    PumpFor(200);

    // A filter whose only match is the first line, typed into the filter bar.
    if (!sparse) {
        SendMessageW(main.hwnd(), WM_COMMAND, zr::IDM_FILTER, 0);
        Prober prober(main.hwnd());
        SetWindowTextW(main.Control(zr::IDC_FILTER_TEXT), L"needle-at-the-start");
        const auto typed = Clock::now();
        const bool found = PumpUntil(
            [&] { return view.Tail(64).find(L"needle-at-the-start") != std::wstring::npos; },
            120000);
        const double foundMs = MsSince(typed);
        PumpFor(100);
        const std::vector<double> replies = prober.Stop();
        std::printf("filter_first_line_ms %.1f%s\n", foundMs, found ? "" : " (not shown)");
        std::printf("filter_reply_max_ms %.1f\n",
                    replies.empty() ? 0 : *std::max_element(replies.begin(), replies.end()));
        std::printf("peak_ws_after_filter_mib %.1f\n", PeakWorkingSetMiB());
        SendMessageW(main.hwnd(), WM_COMMAND, zr::IDM_FILTER, 0);
        PumpUntil([&] { return view.EndShown(); }, 60000);
    }

    // A writer appends 50 MiB in pieces of 1 MiB while the window follows.
    std::string lastBlock;
    std::atomic<bool> written{false};
    size_t writerLine = lineNo;
    std::thread writer([&] {
        for (uint32_t seed = 1000; seed < 1050; ++seed) {
            std::string block = LogBlock(1 << 20, seed, writerLine);
            Append(log, block);
            if (seed == 1049) lastBlock = std::move(block);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        written = true;
    });
    const auto following = Clock::now();
    PumpUntil([&] { return written.load(); }, 600000);
    writer.join();
    const auto writerDone = Clock::now();
    const std::wstring last = LastLine(lastBlock);
    const bool caughtUp = PumpUntil(
        [&] { return view.Idle() && view.Tail(4096).find(last) != std::wstring::npos; }, 600000);
    std::printf("follow_50mib_writer_ms %.0f\n",
                std::chrono::duration<double, std::milli>(writerDone - following).count());
    std::printf("follow_50mib_caught_up_after_writer_ms %.0f%s\n", MsSince(writerDone),
                caughtUp ? "" : " (not caught up)");
    std::printf("display_after_follow_chars %zu\n", view.Length());
    std::printf("peak_ws_after_following_mib %.1f\n", PeakWorkingSetMiB());

    // A burst of 100 MiB in one write.
    {
        size_t burstLine = writerLine + 1;
        Prober prober(main.hwnd());
        PumpFor(100);
        // Written by another thread, as by another program, while the window goes on.
        std::atomic<bool> written{false};
        Clock::time_point writtenAt;
        std::string lastBurstBlock;
        std::thread writer([&] {
            // Made as it is written, in one handle's writes of a megabyte each, so that the
            // benchmark's own memory does not count.
            HANDLE h =
                CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            for (uint32_t seed = 2000; seed < 2100; ++seed) {
                std::string block = LogBlock(1 << 20, seed, burstLine);
                DWORD done = 0;
                WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &done, nullptr);
                if (seed == 2099) lastBurstBlock = std::move(block);
            }
            CloseHandle(h);
            writtenAt = Clock::now();
            written = true;
        });
        const bool shown = PumpUntil(
            [&] {
                return written && view.EndShown() &&
                       view.Tail(4096).find(LastLine(lastBurstBlock)) != std::wstring::npos;
            },
            600000);
        writer.join();
        const auto t = writtenAt;
        const double shownMs = MsSince(t);
        PumpUntil([&] { return view.Idle(); }, 600000);
        PumpFor(200);
        std::vector<double> replies = prober.Stop();
        std::printf("burst_100mib_last_line_after_write_ms %.0f%s\n", shownMs,
                    shown ? "" : " (not shown)");
        std::printf("burst_reply_max_ms %.1f\n",
                    replies.empty() ? 0 : *std::max_element(replies.begin(), replies.end()));
        std::printf("burst_reply_median_ms %.1f\n", Median(replies));
        std::printf("peak_ws_after_burst_mib %.1f\n", PeakWorkingSetMiB());
    }

    // The display fills to its bound from passes of some 50,000 characters, then passes that
    // append one 200-character line to it: the time the pass takes, and with the repaint.
    for (uint32_t seed = 3000; view.Length() + 1'000 < zr::LogView::kBound; ++seed) {
        Append(log, LogBlock(view.Length() + 60'000 < zr::LogView::kBound ? 50'000 : 500, seed,
                             writerLine));
        SendMessageW(main.hwnd(), WM_TIMER, zr::kTimer1, 0);
        PumpUntil([&] { return view.Idle(); }, 60000);
    }
    std::vector<double> passes, painted;
    for (int i = 0; i < 20; ++i) {
        PumpFor(50);
        std::string line = "append " + std::to_string(i) + " ";
        line.resize(200, 'x');
        Append(log, line + "\r\n");
        const auto t = Clock::now();
        SendMessageW(main.hwnd(), WM_TIMER, zr::kTimer1, 0);
        passes.push_back(MsSince(t));
        UpdateWindow(view.display());
        painted.push_back(MsSince(t));
    }
    std::printf("display_holding_bound_chars %zu (bound %zu)\n", view.Length(),
                zr::LogView::kBound);
    std::printf("pass_200_char_line_at_bound_median_ms %.1f\n", Median(passes));
    std::printf("pass_200_char_line_at_bound_max_ms %.1f\n",
                *std::max_element(passes.begin(), passes.end()));
    std::printf("pass_and_repaint_median_ms %.1f\n", Median(painted));
    std::printf("pass_and_repaint_max_ms %.1f\n",
                *std::max_element(painted.begin(), painted.end()));
    // A pass that adds 1,000 lines, first without highlight rules, then with ten of them in a
    // window started anew on the same log.
    const auto thousandLines = [&](zr::MainWindow& window, View& shown) {
        std::vector<double> times;
        for (uint32_t seed = 4000; seed < 4005; ++seed) {
            size_t n = writerLine;
            std::string block;
            while (n < writerLine + 1000) block += LogBlock(60, seed + uint32_t(n), n);
            writerLine = n;
            Append(log, block);
            const auto t = Clock::now();
            SendMessageW(window.hwnd(), WM_TIMER, zr::kTimer1, 0);
            PumpUntil([&] { return shown.Idle(); }, 60000);
            times.push_back(MsSince(t));
        }
        return Median(times);
    };
    std::printf("pass_1000_lines_no_rules_ms %.1f\n", thousandLines(main, view));
    DestroyWindow(main.hwnd());
    {
        std::vector<zr::HighlightRule> rules;
        for (const wchar_t* term : {L"ERROR", L"WARN", L"処理完了", L"timeout", L"#12", L"abc",
                                    L"fatal", L"retry", L"user=", L"zzz"}) {
            rules.push_back({term, {}, RGB(200, 0, 0), RGB(255, 255, 160), false});
        }
        zr::StoreHighlightRules(rules, nullptr);
        zr::MainWindow ruled;
        if (!ruled.Create(SW_SHOWNORMAL, false)) return 1;
        View shown{ruled};
        ruled.OpenFile(log);
        PumpUntil([&] { return shown.Idle(); }, 60000);
        std::printf("pass_1000_lines_ten_rules_ms %.1f\n", thousandLines(ruled, shown));
        DestroyWindow(ruled.hwnd());
    }
    std::printf("peak_ws_mib %.1f\n", PeakWorkingSetMiB());

    RegDeleteTreeW(HKEY_CURRENT_USER, zr::kConfigKey);
    DeleteFileW(log.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) {
        std::printf("usage: log_view_bench <5MiB|50MiB|500MiB|5GiB-sparse> <folder>\n");
        return 2;
    }
    return Run(argv[1], argv[2]);
}
