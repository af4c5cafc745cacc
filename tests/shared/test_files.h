// Files for the native and the window tests: a folder of their own, bytes written and read back,
// and the log writer, a second process that writes logs as real programs do (log_writer.cpp).
#pragma once
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace zr::test {

#ifdef _WIN32
using Process = HANDLE;
// The log writer beside this program; arguments in quotes, as they may hold blanks (no quotes).
inline Process StartWriter(const std::vector<std::wstring>& args) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring exe = std::filesystem::path(self).replace_filename(L"log_writer.exe");
    std::wstring line = L"\"" + exe + L"\"";
    for (const std::wstring& a : args) line += L" \"" + a + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), 0, 0, 0, 0, 0, 0, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}
// The exit code once it has ended (-1 when it failed to), nothing while it runs.
inline std::optional<int> ExitCode(Process process) {
    DWORD code = 0;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return std::nullopt;
    const bool ok = GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ok ? static_cast<int>(code) : -1;
}
#else
using Process = pid_t;
inline Process StartWriter(const std::vector<std::wstring>& args) {
    const auto exe = std::filesystem::read_symlink("/proc/self/exe").replace_filename("log_writer");
    std::vector<std::string> strings{exe.string()};
    for (const std::wstring& a : args) strings.push_back(std::filesystem::path(a).string());
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}
inline std::optional<int> ExitCode(Process pid) {
    int status = 0;
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == 0) return std::nullopt;
    return ended == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

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

inline std::wstring Hex(std::string_view bytes) {  // bytes as the log writer takes them
    std::wstring out;
    for (unsigned char c : bytes) out += {L"0123456789abcdef"[c >> 4], L"0123456789abcdef"[c & 15]};
    return out;
}

// The log writer running with these arguments; waited for at the end of its scope.
class WriterProcess {
  public:
    explicit WriterProcess(const std::vector<std::wstring>& args) : process_(StartWriter(args)) {}
    ~WriterProcess() { Wait(); }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;
    bool Started() const { return process_ != Process{}; }
    bool Running() {
        if (Started() && !exit_) exit_ = ExitCode(process_);
        return Started() && !exit_;
    }
    // Waits, calling `idle` meanwhile (a window test pumps messages there); 0 when every
    // operation succeeded, -1 when it did not start or end normally.
    int Wait(const std::function<void()>& idle = {}) {
        while (Running()) idle ? idle() : std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return exit_.value_or(-1);
    }

  private:
    Process process_;
    std::optional<int> exit_;
};

}  // namespace zr::test
