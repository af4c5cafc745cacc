// Files reached through the Win32 API. The share mode lets the writer append, truncate,
// rename and delete the log while a pass has it open.
#include <windows.h>

#include "common/handles_win.h"
#include "follow/file_source.h"

namespace zr {
namespace {

class Win32LogFile final : public OpenLogFile {
  public:
    explicit Win32LogFile(UniqueFile file) : file_(std::move(file)) {}

    std::optional<uint64_t> Size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_.get(), &size)) return std::nullopt;
        return static_cast<uint64_t>(size.QuadPart);
    }
    std::optional<FileId> Id() override {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(file_.get(), &info)) return std::nullopt;
        return FileId{info.dwVolumeSerialNumber,
                      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }
    size_t ReadAt(uint64_t offset, char* buf, size_t n) override {
        size_t done = 0;
        while (done < n) {
            const uint64_t at = offset + done;
            OVERLAPPED ov{};
            ov.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            ov.OffsetHigh = static_cast<DWORD>(at >> 32);
            const size_t want = n - done;
            const DWORD ask = want > 0x40000000u ? 0x40000000u : static_cast<DWORD>(want);
            DWORD got = 0;
            if (!ReadFile(file_.get(), buf + done, ask, &got, &ov) || got == 0) break;
            done += got;
        }
        return done;
    }

  private:
    UniqueFile file_;
};

class Win32FileSource final : public FileSource {
  public:
    std::unique_ptr<OpenLogFile> OpenForRead(const std::wstring& path, OpenError& err) override {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            switch (GetLastError()) {
                case ERROR_FILE_NOT_FOUND:
                case ERROR_PATH_NOT_FOUND:
                case ERROR_INVALID_NAME:
                    err = OpenError::NotFound;
                    break;
                case ERROR_ACCESS_DENIED:
                case ERROR_SHARING_VIOLATION:
                case ERROR_LOCK_VIOLATION:
                    err = OpenError::Denied;
                    break;
                default:
                    err = OpenError::Other;
            }
            return nullptr;
        }
        err = OpenError::None;
        return std::make_unique<Win32LogFile>(std::move(file));
    }
};

}  // namespace

std::unique_ptr<FileSource> MakeWin32FileSource() {
    return std::make_unique<Win32FileSource>();
}

}  // namespace zr
