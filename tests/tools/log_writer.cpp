// Writes logs as real programs do, each write straight to the file; exits with 0 when every
// operation succeeded. Operations, separated by a lone "+" (one process start runs several):
//   append <path> <hex>       append the bytes in one write, creating the file
//   truncate <path> <size>    set the size, creating the file; growth leaves a hole
//   rename <from> <to>        replacing <to>
//   pieces <path> <ack> <hex>...  append each piece in a write of its own, then wait (20 s at
//       most) until <ack> holds a byte for each piece written, so each is read on its own
//   stress <path> <seed> <seconds>  random text in random pieces, sharing only reading
//   hold <path> <r|rw|none> <seconds> <line>  keep the file open for appending, sharing that
//       much (POSIX shares all), writing the ASCII line and CR LF every 100 ms
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#include <share.h>
#include <shellapi.h>
#include <winioctl.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Str = std::wstring;
enum { kShareAll = _SH_DENYNO, kShareRead = _SH_DENYWR, kShareNone = _SH_DENYRW };
struct System {
    static FILE* Open(const Str& path, int share) { return _wfsopen(path.c_str(), L"ab", share); }
    static bool Resize(FILE* file, uint64_t size) {
        const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
        DWORD ret = 0;  // where the volume cannot make holes, the file is simply filled
        DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(size);
        return SetFilePointerEx(h, to, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    }
};
#else
using Str = std::string;
enum { kShareAll, kShareRead, kShareNone };  // POSIX shares everything
struct System {
    static FILE* Open(const Str& path, int) { return std::fopen(path.c_str(), "ab"); }
    static bool Resize(FILE* f, uint64_t size) { return ftruncate(fileno(f), off_t(size)) == 0; }
};
#endif

// A file open for appending, created when missing, that every write goes straight through.
class Out {
  public:
    explicit Out(const Str& path, int share = kShareAll) : f_(System::Open(path, share)) {}
    ~Out() {
        if (f_) std::fclose(f_);
    }
    bool Put(const std::string& b) {
        return f_ && std::fwrite(b.data(), 1, b.size(), f_) == b.size() && !std::fflush(f_);
    }
    bool Resize(uint64_t size) { return f_ && System::Resize(f_, size); }

  private:
    FILE* f_;
};

using Clock = std::chrono::steady_clock;

bool Is(const Str& s, std::string_view ascii) {
    return std::equal(s.begin(), s.end(), ascii.begin(), ascii.end());
}

std::string Bytes(const Str& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), 0, 16));
    return out;
}

bool Pieces(const Str& path, const Str& ack, const std::vector<Str>& pieces) {
    static uintmax_t written = 0;  // by every operation of this process, as <ack> counts
    Out out(path);
    for (const Str& piece : pieces) {
        if (!out.Put(Bytes(piece))) return false;
        std::error_code ec;
        for (const auto until = Clock::now() + std::chrono::seconds(20);
             std::filesystem::file_size(ack, ec) <= written || ec;) {
            if (Clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ++written;
    }
    return true;
}

// Lines of any length, the three line ends, double-byte characters and NUL bytes, in pieces
// that end anywhere: between CR and LF, inside a character.
bool Stress(const Str& path, uint64_t seed, double seconds) {
    Out out(path, kShareRead);
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

bool Hold(const Str& path, const Str& share, double seconds, const Str& line) {
    if (!Is(share, "r") && !Is(share, "rw") && !Is(share, "none")) return false;
    Out out(path, Is(share, "none") ? kShareNone : Is(share, "r") ? kShareRead : kShareAll);
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    for (int i = 1; out.Put(std::string(line.begin(), line.end()) + "\r\n"); ++i) {
        std::this_thread::sleep_until(std::min(end, start + std::chrono::milliseconds(100 * i)));
        if (Clock::now() >= end) return true;
    }
    return false;
}

bool Run(const std::vector<Str>& a) {
    const size_t n = a.size();
    const Str op = n ? a[0] : Str();
    if (Is(op, "append") && n == 3) return Out(a[1]).Put(Bytes(a[2]));
    if (Is(op, "truncate") && n == 3) return Out(a[1]).Resize(std::stoull(a[2]));
    if (Is(op, "rename") && n == 3) return std::filesystem::rename(a[1], a[2]), true;  // or throws
    if (Is(op, "pieces") && n >= 4) return Pieces(a[1], a[2], {a.begin() + 3, a.end()});
    if (Is(op, "stress") && n == 4) return Stress(a[1], std::stoull(a[2]), std::stod(a[3]));
    if (Is(op, "hold") && n == 5) return Hold(a[1], a[2], std::stod(a[3]), a[4]);
    return false;
}

}  // namespace

int main(int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);  // argv is in the code page
    const std::vector<Str> args(wide + 1, wide + argc);
#else
    const std::vector<Str> args(argv + 1, argv + argc);
#endif
    for (size_t from = 0, to = 0; from <= args.size(); from = to + 1) {
        to = std::find(args.begin() + from, args.end(), Str(1, '+')) - args.begin();
        try {
            if (Run({args.begin() + from, args.begin() + to})) continue;
        } catch (const std::exception&) {  // a malformed number, or a rename that failed
        }
        std::fprintf(stderr, "log_writer: operation %zu failed\n", from);
        return 1;
    }
    return 0;
}
