// Files reached through POSIX calls, for the native builds of the tests and benchmarks.
#ifndef _WIN32

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "follow/file_source.h"

namespace zr {
namespace {

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class PosixLogFile final : public OpenLogFile {
  public:
    PosixLogFile(int fd, const struct stat& st) : fd_(fd), st_(st) {}
    ~PosixLogFile() override { ::close(fd_); }
    PosixLogFile(const PosixLogFile&) = delete;
    PosixLogFile& operator=(const PosixLogFile&) = delete;

    std::optional<uint64_t> Size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return std::nullopt;
        return static_cast<uint64_t>(st.st_size);
    }
    std::optional<FileId> Id() override {
        return FileId{static_cast<uint64_t>(st_.st_dev), static_cast<uint64_t>(st_.st_ino)};
    }
    size_t ReadAt(uint64_t offset, char* buf, size_t n) override {
        size_t done = 0;
        while (done < n) {
            const ssize_t got =
                ::pread(fd_, buf + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

  private:
    int fd_;
    struct stat st_;
};

class PosixFileSource final : public FileSource {
  public:
    std::unique_ptr<OpenLogFile> OpenForRead(const std::wstring& path, OpenError& err) override {
        const int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            err = (errno == ENOENT || errno == ENOTDIR) ? OpenError::NotFound
                  : (errno == EACCES || errno == EPERM) ? OpenError::Denied
                                                        : OpenError::Other;
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            err = OpenError::Other;
            return nullptr;
        }
        err = OpenError::None;
        return std::make_unique<PosixLogFile>(fd, st);
    }
};

}  // namespace

std::unique_ptr<FileSource> MakePosixFileSource() {
    return std::make_unique<PosixFileSource>();
}

}  // namespace zr

#endif  // !_WIN32
