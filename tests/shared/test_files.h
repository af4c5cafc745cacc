// Files for the native and the window tests: a folder of their own, bytes written, read back
// and shown as the display shows them; the log writer, a second process that writes logs as
// other programs do (tests/tools/log_writer.cpp).
#pragma once
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#include <winioctl.h>
#else
#include <cstdlib>
#endif

namespace zr::test {

// A folder of its own in the system's temporary folder, removed with its content at the end.
class TempDir {
  public:
    TempDir() {
        static std::atomic<int> count{0};
        dir_ = std::filesystem::temp_directory_path() /
               ("zrtest-" + std::to_string(getpid()) + "-" + std::to_string(++count));
        std::filesystem::create_directories(dir_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::wstring dir() const { return dir_.wstring(); }
    std::wstring path(const std::wstring& name) const { return (dir_ / name).wstring(); }

  private:
    std::filesystem::path dir_;
};

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file's content, or appends to it; false when the file cannot be written.
inline bool WriteFileBytes(const std::wstring& path, std::string_view bytes, bool append = false) {
    std::ofstream out(std::filesystem::path(path),
                      std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).good();
}

// Bytes as the display shows them: each line decoded alone, each line end (CR LF, CR or LF) a CR.
template <class Decode>
std::wstring Displayed(std::string_view bytes, Decode decode) {
    std::wstring out;
    for (size_t start = 0, i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') continue;
        out += decode(bytes.substr(start, i - start)) + (i < bytes.size() ? L"\r" : L"");
        if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return out;
}

// Sets the size of a file, creating it; growth leaves a hole where the volume can make one.
inline bool ResizeFile(const std::wstring& path, uint64_t size) {
    if (!WriteFileBytes(path, "", true)) return false;
#ifdef _WIN32
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD ret = 0;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(size);
    const bool ok = SetFilePointerEx(h, to, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
#else
    return truncate(std::filesystem::path(path).c_str(), static_cast<off_t>(size)) == 0;
#endif
}

// A hostile writer for `seconds`: lines of any length, the three line ends, double-byte
// characters and NUL bytes, handed to `put` in pieces that end anywhere (between CR and LF,
// inside a character); whole characters at the end, so that the last line shows in full.
// False when `put` failed.
template <class Put>
bool WriteHostile(uint64_t seed, double seconds, Put put) {
    std::mt19937_64 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::string ends[] = {"\r\n", "\n", "\r", std::string(1, '\0')};
    std::string pending;
    for (const auto until =
             std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
         std::chrono::steady_clock::now() < until;) {
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
        if (!put(pending.substr(0, n))) return false;
        pending.erase(0, n);
        std::this_thread::sleep_for(std::chrono::microseconds(pick(0, 3000)));
    }
    return put(pending);
}

// UTF-16 text as bytes in either order (on a little-endian machine).
inline std::string Utf16(std::u16string_view text, bool littleEndian) {
    std::string out(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    for (size_t i = 0; !littleEndian && i < out.size(); i += 2) std::swap(out[i], out[i + 1]);
    return out;
}

inline std::wstring Hex(std::string_view bytes) {  // bytes as the log writer takes them
    std::wstring out;
    for (unsigned char c : bytes) out += {L"0123456789abcdef"[c >> 4], L"0123456789abcdef"[c & 15]};
    return out;
}

// A program built beside this one: the log writer, the program itself.
inline std::filesystem::path Beside(const std::wstring& name) {
#ifdef _WIN32
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).replace_filename(name + L".exe");
#else
    return std::filesystem::read_symlink("/proc/self/exe").replace_filename(name);
#endif
}

// Runs the log writer with these arguments to its end: 0 when every write succeeded.
inline int RunWriter(std::vector<std::filesystem::path> args) {
    args.insert(args.begin(), Beside(L"log_writer"));
#ifdef _WIN32
    std::vector<std::wstring> quoted;  // arguments may hold blanks
    std::vector<const wchar_t*> argv;
    for (const auto& a : args) quoted.push_back(L"\"" + a.wstring() + L"\"");
    for (const auto& a : quoted) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return static_cast<int>(_wspawnv(_P_WAIT, args[0].c_str(), argv.data()));
#else
    std::string line;  // for the shell: test paths hold no quote
    for (const auto& a : args) line.append("'").append(a.string()).append("' ");
    return std::system(line.c_str());
#endif
}

// The log writer running on a thread that waits for it, so that a test follows the log
// meanwhile; waited for at the end of its scope.
class WriterProcess {
  public:
    explicit WriterProcess(std::vector<std::filesystem::path> args)
        : exit_(std::async(std::launch::async, RunWriter, std::move(args))) {}
    bool Running() const {
        return exit_.wait_for(std::chrono::seconds(0)) == std::future_status::timeout;
    }
    int Wait() const { return exit_.get(); }

  private:
    std::shared_future<int> exit_;
};

}  // namespace zr::test
