// A second process that writes log files the way real programs do, for the follow tests.
//
//   log_writer append <path> <hex-bytes>          append bytes (creating the file)
//   log_writer repeat <path> <count> <hex-bytes>  append the bytes count times in one write
//   log_writer write <path> <offset> <hex-bytes>  overwrite bytes in place
//   log_writer truncate <path> <size>             set the size, creating the file; growing
//                                                 leaves a hole where the volume allows
//   log_writer rename <from> <to>                 move, replacing what is at <to>
//   log_writer delete <path>
//   log_writer stress <path> <seed> <seconds>     append random text in random pieces
//   log_writer pieces <path> <ack-path> <hex-bytes>...
//       append each piece in a write of its own, keeping the file open, and after each wait
//       (20 s at most) until the reader has acknowledged it: <ack-path> holds one byte for
//       each piece written by this process so far, so every piece is read on its own
//   log_writer hold <path> <r|rw|none> <seconds> <line>
//       keep the file open for appending with that share mode, writing <line> CR LF every
//       100 ms (the first at once); on POSIX every share mode behaves like rw
//
// Several operations can be given at once, separated by a lone "+" argument; they run in
// order, which saves process starts (slow under Wine) between passes of the follower.
// Exit code 0 when every operation succeeded.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Str = std::wstring;
#else
using Str = std::string;
#endif

std::string Ascii(const Str& s) {
    return std::string(s.begin(), s.end());
}

bool ParseHex(const Str& hex, std::string& out) {
    if (hex.size() % 2 != 0) return false;
    auto nibble = [](wchar_t c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = nibble(hex[i]);
        const int lo = nibble(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool ParseU64(const Str& s, uint64_t& v) {
    if (s.empty()) return false;
    v = 0;
    for (auto c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// An open file that writes straight through, so that every write is visible to a reader the
// moment it returns, as with a logger that flushes each record.
class Out {
  public:
    enum class Mode { Append, Write, Resize };
#ifdef _WIN32
    Out(const Str& path, Mode mode, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
        h_ = CreateFileW(path.c_str(), mode == Mode::Append ? FILE_APPEND_DATA : GENERIC_WRITE,
                         share, nullptr, mode == Mode::Write ? OPEN_EXISTING : OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~Out() {
        if (ok()) CloseHandle(h_);
    }
    bool ok() const {
        return h_ != INVALID_HANDLE_VALUE;
    }
    bool Put(const std::string& bytes) {
        DWORD done = 0;
        return WriteFile(h_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
               done == bytes.size();
    }
    bool PutAt(uint64_t offset, const std::string& bytes) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD done = 0;
        return WriteFile(h_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, &ov) &&
               done == bytes.size();
    }
    bool Resize(uint64_t size) {
        DWORD ret = 0;
        // Best effort: where the volume cannot make holes the file is simply filled.
        DeviceIoControl(h_, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(size);
        return SetFilePointerEx(h_, at, nullptr, FILE_BEGIN) && SetEndOfFile(h_);
    }

  private:
    HANDLE h_;
#else
    Out(const Str& path, Mode mode, int = 0) {
        const int flags = mode == Mode::Append   ? O_WRONLY | O_APPEND | O_CREAT
                          : mode == Mode::Resize ? O_WRONLY | O_CREAT
                                                 : O_WRONLY;
        fd_ = ::open(path.c_str(), flags, 0644);
    }
    ~Out() {
        if (ok()) ::close(fd_);
    }
    bool ok() const {
        return fd_ >= 0;
    }
    bool Put(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
    bool PutAt(uint64_t offset, const std::string& bytes) {
        return ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
               static_cast<ssize_t>(bytes.size());
    }
    bool Resize(uint64_t size) {
        return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
    }

  private:
    int fd_;
#endif
    Out(const Out&) = delete;
    Out& operator=(const Out&) = delete;
};

bool Rename(const Str& from, const Str& to) {
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
#else
    return ::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool Delete(const Str& path) {
#ifdef _WIN32
    return DeleteFileW(path.c_str());
#else
    return ::unlink(path.c_str()) == 0;
#endif
}

// Random text cut into random pieces: lines of any length including empty ones, the three
// kinds of line end, double-byte Shift_JIS characters and NUL bytes; pieces end anywhere,
// between CR and LF and between the two bytes of a character included.
bool Stress(const Str& path, uint64_t seed, double seconds) {
    // Like the strictest common logger: others may only read while it writes.
#ifdef _WIN32
    Out out(path, Out::Mode::Append, FILE_SHARE_READ);
#else
    Out out(path, Out::Mode::Append);
#endif
    if (!out.ok()) return false;
    std::mt19937_64 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::string pending;
    while (std::chrono::steady_clock::now() < until) {
        while (pending.size() < 1024) {
            const int kind = pick(0, 99);
            if (kind < 70) {
                pending += static_cast<char>(pick(0x20, 0x7E));
            } else if (kind < 82) {
                pending += static_cast<char>(pick(0, 1) ? pick(0x81, 0x9F) : pick(0xE0, 0xEF));
                pending += static_cast<char>(pick(0, 1) ? pick(0x40, 0x7E) : pick(0x80, 0xFC));
            } else if (kind < 88) {
                pending += "\r\n";
            } else if (kind < 93) {
                pending += '\n';
            } else if (kind < 98) {
                pending += '\r';
            } else {
                pending += '\0';
            }
        }
        const size_t n = static_cast<size_t>(pick(1, 300));
        if (!out.Put(pending.substr(0, n))) return false;
        pending.erase(0, n);
        std::this_thread::sleep_for(std::chrono::microseconds(pick(0, 3000)));
    }
    // Whole characters only at the end, so that the last line can be shown in full.
    return pending.empty() || out.Put(pending);
}

uint64_t FileSize(const Str& path) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
#else
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
#endif
}

bool Pieces(const Str& path, const Str& ack, const std::vector<std::string>& pieces) {
    static uint64_t written = 0;
    Out out(path, Out::Mode::Append);
    if (!out.ok()) return false;
    for (const std::string& piece : pieces) {
        if (!out.Put(piece)) return false;
        ++written;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (FileSize(ack) < written) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

bool Hold(const Str& path, const Str& share, double seconds, const Str& line) {
#ifdef _WIN32
    const DWORD mode = share == L"r"      ? FILE_SHARE_READ
                       : share == L"rw"   ? FILE_SHARE_READ | FILE_SHARE_WRITE
                       : share == L"none" ? 0
                                          : ~DWORD{0};
    if (mode == ~DWORD{0}) return false;
    Out out(path, Out::Mode::Append, mode);
    // The line goes out in the system code page, as a program on this system would write it.
    const int n = WideCharToMultiByte(CP_ACP, 0, line.c_str(), static_cast<int>(line.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string record(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, line.c_str(), static_cast<int>(line.size()), record.data(), n,
                        nullptr, nullptr);
#else
    if (share != "r" && share != "rw" && share != "none") return false;
    Out out(path, Out::Mode::Append);
    std::string record = line;
#endif
    if (!out.ok()) return false;
    record += "\r\n";
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::duration<double>(seconds);
    for (int i = 0;; ++i) {
        if (!out.Put(record)) return false;
        const auto next = start + std::chrono::milliseconds(100 * (i + 1));
        if (next >= until) break;
        std::this_thread::sleep_until(next);
    }
    std::this_thread::sleep_until(until);
    return true;
}

bool ParseSeconds(const Str& s, double& v) {
    try {
        size_t used = 0;
        v = std::stod(Ascii(s), &used);
        return used == s.size() && v >= 0;
    } catch (...) {
        return false;
    }
}

bool Run(const std::vector<Str>& a) {
    if (a.empty()) return false;
    const std::string op = Ascii(a[0]);
    std::string bytes;
    uint64_t n = 0;
    double seconds = 0;
    if (op == "append" && a.size() == 3 && ParseHex(a[2], bytes)) {
        Out out(a[1], Out::Mode::Append);
        return out.ok() && out.Put(bytes);
    }
    if (op == "repeat" && a.size() == 4 && ParseU64(a[2], n) && ParseHex(a[3], bytes)) {
        std::string all;
        for (uint64_t i = 0; i < n; ++i) all += bytes;
        Out out(a[1], Out::Mode::Append);
        return out.ok() && out.Put(all);
    }
    if (op == "write" && a.size() == 4 && ParseU64(a[2], n) && ParseHex(a[3], bytes)) {
        Out out(a[1], Out::Mode::Write);
        return out.ok() && out.PutAt(n, bytes);
    }
    if (op == "truncate" && a.size() == 3 && ParseU64(a[2], n)) {
        Out out(a[1], Out::Mode::Resize);
        return out.ok() && out.Resize(n);
    }
    if (op == "rename" && a.size() == 3) return Rename(a[1], a[2]);
    if (op == "delete" && a.size() == 2) return Delete(a[1]);
    if (op == "stress" && a.size() == 4 && ParseU64(a[2], n) && ParseSeconds(a[3], seconds)) {
        return Stress(a[1], n, seconds);
    }
    if (op == "pieces" && a.size() >= 4) {
        std::vector<std::string> pieces(a.size() - 3);
        for (size_t i = 3; i < a.size(); ++i) {
            if (!ParseHex(a[i], pieces[i - 3])) return false;
        }
        return Pieces(a[1], a[2], pieces);
    }
    if (op == "hold" && a.size() == 5 && ParseSeconds(a[3], seconds)) {
        return Hold(a[1], a[2], seconds, a[4]);
    }
    return false;
}

#ifdef _WIN32
// The narrow argv of a Windows program is in the system code page and cannot carry every
// path, so the wide command line is split here with the usual rules for quotes and
// backslashes.
std::vector<Str> WideArgs() {
    std::vector<Str> args;
    const wchar_t* p = GetCommandLineW();
    while (*p) {
        while (*p == L' ' || *p == L'\t') ++p;
        if (!*p) break;
        Str arg;
        bool quoted = false;
        while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
            size_t slashes = 0;
            while (*p == L'\\') {
                ++slashes;
                ++p;
            }
            if (*p == L'"') {
                arg.append(slashes / 2, L'\\');
                if (slashes % 2) {
                    arg += L'"';
                } else {
                    quoted = !quoted;
                }
                ++p;
            } else {
                arg.append(slashes, L'\\');
                if (*p && (quoted || (*p != L' ' && *p != L'\t'))) arg += *p++;
            }
        }
        args.push_back(arg);
    }
    return args;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    const std::vector<Str> args = WideArgs();
#else
    const std::vector<Str> args(argv, argv + argc);
#endif
    std::vector<Str> op;
    for (size_t i = 1; i <= args.size(); ++i) {
        if (i == args.size() || args[i] == Str(1, '+')) {
            if (!Run(op)) {
                std::fprintf(stderr, "log_writer: operation failed: %s\n",
                             op.empty() ? "(none)" : Ascii(op[0]).c_str());
                return 1;
            }
            op.clear();
        } else {
            op.push_back(args[i]);
        }
    }
    return 0;
}
