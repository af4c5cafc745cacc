// The narrow door through which the follower reaches log files, so that the follow logic is
// the same on Windows and in the native tests, and so that it cannot hold a file open longer
// than one pass.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zr {

// What tells one file from another at the same path: a rotated or replaced log gets a new id.
struct FileId {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileId&) const = default;
};

// A file opened for one pass. It shares reading, writing and deleting with everyone else, so
// the program that writes the log never notices it. Closed when the object is destroyed.
class OpenLogFile {
  public:
    virtual ~OpenLogFile() = default;
    // Size of the open file itself, never taken from a directory listing (which lags behind
    // a writer that keeps its file open). Empty when the system would not tell: a guessed
    // size or id could look like a truncation or a replacement and show the file twice.
    virtual std::optional<uint64_t> Size() = 0;
    virtual std::optional<FileId> Id() = 0;
    // Reads up to n bytes at offset; fewer only at the end of the file or on a read error.
    virtual size_t ReadAt(uint64_t offset, char* buf, size_t n) = 0;
};

enum class OpenError { None, NotFound, Denied, Other };

class FileSource {
  public:
    virtual ~FileSource() = default;
    // Null with err set when the file cannot be opened (missing, moved, locked).
    virtual std::unique_ptr<OpenLogFile> OpenForRead(const std::wstring& path, OpenError& err) = 0;
};

#ifdef _WIN32
std::unique_ptr<FileSource> MakeWin32FileSource();
#else
std::unique_ptr<FileSource> MakePosixFileSource();
#endif

}  // namespace zr
