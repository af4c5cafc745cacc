// Real files in a temporary folder, written by a real second process (log_writer), for the
// tests that follow logs.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "common/codepage_win.h"
#else
#include <iconv.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "follow/file_source.h"
#include "follow/text_decoder.h"

namespace zr::test {

namespace fs = std::filesystem;

inline std::unique_ptr<FileSource> MakeSystemFileSource() {
#ifdef _WIN32
    return MakeWin32FileSource();
#else
    return MakePosixFileSource();
#endif
}

// A folder of its own for each test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        static std::atomic<int> counter{0};
#ifdef _WIN32
        const unsigned long pid = GetCurrentProcessId();
#else
        const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
        path_ = fs::temp_directory_path() /
                ("zororuv-test-" + std::to_string(pid) + "-" + std::to_string(counter++));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const {
        return path_;
    }

  private:
    fs::path path_;
};

inline std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The system code page as the program gets it: Windows' own conversion there, glibc's
// conversion for code page 932 in the native build.
#ifdef _WIN32
inline std::wstring CodePageText(std::string_view bytes) {
    return FromAnsi(bytes);
}
inline std::optional<std::string> CodePageBytes(std::wstring_view text) {
    return ToAnsiExact(text);
}
#else
inline std::wstring CodePageText(std::string_view bytes) {
    static iconv_t cd = iconv_open("UTF-16LE", "CP932");
    std::wstring out;
    size_t i = 0;
    while (i < bytes.size()) {
        char units[4096];
        char* in = const_cast<char*>(bytes.data() + i);
        size_t inLeft = bytes.size() - i;
        char* o = units;
        size_t oLeft = sizeof units;
        const bool failed = iconv(cd, &in, &inLeft, &o, &oLeft) == static_cast<size_t>(-1);
        for (const char* q = units; q + 1 < o; q += 2) {
            const auto u = static_cast<wchar_t>(static_cast<unsigned char>(q[0]) |
                                                static_cast<unsigned char>(q[1]) << 8);
            out += u == 0 ? L'\uFFFD' : u;
        }
        i = bytes.size() - inLeft;
        if (failed && errno != E2BIG) {
            // Like Windows: an undefined character of two bytes is one U+FFFD.
            out += L'\uFFFD';
            const bool pair = IsShiftJisLeadByte(static_cast<unsigned char>(bytes[i]));
            i += pair && i + 1 < bytes.size() ? 2 : 1;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}
inline std::optional<std::string> CodePageBytes(std::wstring_view text) {
    static iconv_t cd = iconv_open("CP932", "UTF-16LE");
    std::string in;
    for (wchar_t c : text) {
        in += static_cast<char>(c & 0xFF);
        in += static_cast<char>((c >> 8) & 0xFF);
    }
    std::string out(text.size() * 2 + 8, '\0');
    char* ip = in.data();
    size_t inLeft = in.size();
    char* op = out.data();
    size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &inLeft, &op, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}
#endif

inline CodePage TestCodePage() {
    return {IsShiftJisLeadByte, CodePageText};
}

// The display text of a code-page file: its lines decoded one by one, each line end (CR LF,
// CR, LF) a lone CR.
inline std::wstring ShownCodePage(std::string_view bytes) {
    std::wstring out;
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') continue;
        out += CodePageText(bytes.substr(start, i - start));
        if (i == bytes.size()) break;
        out += L'\r';
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return out;
}

// UTF-16 text (a u"" literal) in the display's form: each line end a lone CR.
inline std::wstring Shown(std::u16string_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
        out += text[i] == u'\n' ? L'\r' : static_cast<wchar_t>(text[i]);
    }
    return out;
}

inline std::string Utf16Bytes(std::u16string_view text, bool littleEndian) {
    std::string out;
    for (char16_t u : text) {
        const char lo = static_cast<char>(u & 0xFF);
        const char hi = static_cast<char>(u >> 8);
        out += littleEndian ? lo : hi;
        out += littleEndian ? hi : lo;
    }
    return out;
}

inline std::string Utf8Bytes(std::u8string_view text) {
    return std::string(text.begin(), text.end());
}

// Disk space the file takes, which is less than its size when it has holes.
inline uint64_t AllocatedBytes(const fs::path& path) {
#ifdef _WIN32
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return UINT64_MAX;
    FILE_STANDARD_INFO info{};
    const bool ok = GetFileInformationByHandleEx(h, FileStandardInfo, &info, sizeof info);
    CloseHandle(h);
    return ok ? static_cast<uint64_t>(info.AllocationSize.QuadPart) : UINT64_MAX;
#else
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return UINT64_MAX;
    return static_cast<uint64_t>(st.st_blocks) * 512;
#endif
}

#ifdef _WIN32
using NativeString = std::wstring;
#else
using NativeString = std::string;
#endif

// One command-line argument for log_writer: text (ASCII) or a path.
struct WriterArg {
    WriterArg(const char* s) : value(s, s + std::char_traits<char>::length(s)) {}
    WriterArg(const std::string& s) : value(s.begin(), s.end()) {}
    WriterArg(const fs::path& p) : value(p.native()) {}
    NativeString value;
};

inline fs::path WriterExe() {
#ifdef _WIN32
    std::wstring buf(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    buf.resize(n);
    return fs::path(buf).parent_path() / LOG_WRITER_EXE;
#else
    return fs::read_symlink("/proc/self/exe").parent_path() / LOG_WRITER_EXE;
#endif
}

// A running log_writer.
class WriterProcess {
  public:
    explicit WriterProcess(const std::vector<WriterArg>& args) {
        const fs::path exe = WriterExe();
#ifdef _WIN32
        std::wstring cmd = Quote(exe.native());
        for (const auto& a : args) cmd += L" " + Quote(a.value);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &si, &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
#else
        std::vector<std::string> strings{exe.native()};
        for (const auto& a : args) strings.push_back(a.value);
        std::vector<char*> argv;
        for (auto& s : strings) argv.push_back(s.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
#endif
    }
    ~WriterProcess() {
        Wait();
    }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;

    bool Started() const {
#ifdef _WIN32
        return process_ != nullptr;
#else
        return pid_ > 0;
#endif
    }
    bool Running() {
        if (exit_ != kRunning || !Started()) return false;
#ifdef _WIN32
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) return true;
        Collect();
        return false;
#else
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == 0) return true;
        exit_ = (r == pid_ && WIFEXITED(status)) ? WEXITSTATUS(status) : kFailed;
        return false;
#endif
    }
    // The exit code, or -1 when the process could not be started or did not exit normally.
    int Wait() {
        if (exit_ != kRunning) return exit_;
        if (!Started()) return kFailed;
#ifdef _WIN32
        WaitForSingleObject(process_, INFINITE);
        Collect();
#else
        int status = 0;
        const pid_t r = waitpid(pid_, &status, 0);
        exit_ = (r == pid_ && WIFEXITED(status)) ? WEXITSTATUS(status) : kFailed;
#endif
        return exit_;
    }

  private:
    static constexpr int kRunning = -2;
    static constexpr int kFailed = -1;
#ifdef _WIN32
    void Collect() {
        DWORD code = 0;
        exit_ = GetExitCodeProcess(process_, &code) ? static_cast<int>(code) : kFailed;
        CloseHandle(process_);
        process_ = nullptr;
    }
    // Quoting that the child's command-line splitting turns back into the same argument.
    static std::wstring Quote(const std::wstring& arg) {
        if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
        std::wstring out = L"\"";
        size_t slashes = 0;
        for (wchar_t c : arg) {
            if (c == L'\\') {
                ++slashes;
                continue;
            }
            out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
            slashes = 0;
            out += c;
        }
        out.append(slashes * 2, L'\\');
        return out + L"\"";
    }
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
    int exit_ = kRunning;
};

// Runs log_writer to the end; its exit code (0 when every operation succeeded).
inline int RunWriter(const std::vector<WriterArg>& args) {
    return WriterProcess(args).Wait();
}

}  // namespace zr::test
