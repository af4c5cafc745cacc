// Folders listed through POSIX calls, for the native builds of the tests and benchmarks. Names
// are UTF-8 bytes here and one code point per wchar_t in the program.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "follow/newest_file.h"

namespace zr {
namespace {

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) {
        auto c = static_cast<uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        const uint32_t lead[] = {0, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[tail] | (c >> (6 * tail)));
        for (int k = tail - 1; k >= 0; --k)
            out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return out;
}

// A byte that starts no valid sequence becomes U+FFFD on its own.
std::wstring FromUtf8(std::string_view bytes) {
    std::wstring out;
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int tail = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
        uint32_t c = tail < 0 ? 0xFFFD : b & (0x7F >> tail);
        int k = 1;
        for (; tail > 0 && k <= tail && i + k < bytes.size() &&
               (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
             ++k) {
            c = (c << 6) | (bytes[i + k] & 0x3F);
        }
        const bool whole = tail <= 0 || k == tail + 1;
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (!whole ||
            (tail > 0 && (c < least[tail] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)))) {
            c = 0xFFFD;
        }
        out += static_cast<wchar_t>(c);
        i += whole ? k : 1;
    }
    return out;
}

class PosixFolderLister final : public FolderLister {
  public:
    std::optional<std::vector<FolderEntry>> List(const std::wstring& folder,
                                                 const std::wstring& namePattern) override {
        DIR* dir = ::opendir(folder.empty() ? "." : ToUtf8(folder).c_str());
        if (!dir) return std::nullopt;
        std::vector<FolderEntry> entries;
        errno = 0;
        bool failed = false;
        while (const dirent* d = ::readdir(dir)) {
            FolderEntry e{FromUtf8(d->d_name)};
            // A stat costs far more than a match: only matching names get one.
            if (!MatchesName(e.name, namePattern)) continue;
            struct stat st {};
            if (::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0) {
                if (errno == ENOENT) {  // deleted since the folder was read
                    errno = 0;
                    continue;
                }
                failed = true;
                break;
            }
            e.lastWrite =
                static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
            e.isFolder = S_ISDIR(st.st_mode);
            entries.push_back(std::move(e));
        }
        failed = failed || errno != 0;
        ::closedir(dir);
        if (failed) return std::nullopt;
        return entries;
    }
};

}  // namespace

std::unique_ptr<FolderLister> MakePosixFolderLister() {
    return std::make_unique<PosixFolderLister>();
}

}  // namespace zr

#endif  // !_WIN32
