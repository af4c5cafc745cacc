// Folders listed through the Win32 API. The system does the first sort by the pattern (on a
// share, far fewer entries cross the network); its matches include names whose short 8.3
// name alone matches, which the choice of the newest file sorts out.
#include <windows.h>

#include "common/handles_win.h"
#include "follow/newest_file.h"

namespace zr {
namespace {

class Win32FolderLister final : public FolderLister {
  public:
    std::optional<std::vector<FolderEntry>> List(const std::wstring& folder,
                                                 const std::wstring& namePattern) override {
        WIN32_FIND_DATAW found{};
        // The basic level leaves out short names, and a large fetch asks for many entries a
        // call: both make a folder of thousands of files cheaper to list.
        UniqueFind find(FindFirstFileExW((folder + namePattern).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH));
        std::vector<FolderEntry> entries;
        if (!find) {
            // A folder that is there and holds no match, as opposed to one out of reach.
            if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
            return std::nullopt;
        }
        do {
            const uint64_t time =
                (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                found.ftLastWriteTime.dwLowDateTime;
            entries.push_back({found.cFileName, static_cast<int64_t>(time),
                               (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        } while (FindNextFileW(find.get(), &found));
        // A share that drops part way leaves a listing that could name an older file newest.
        if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
        return entries;
    }
};

}  // namespace

std::unique_ptr<FolderLister> MakeWin32FolderLister() {
    return std::make_unique<Win32FolderLister>();
}

}  // namespace zr
