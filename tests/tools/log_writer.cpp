// Writes a log as another program does, each write straight to the file, while a test follows
// it; exits with 0 when every write succeeded. One operation:
//   stress <path> <seed> <seconds>  the hostile writer of test_files.h, sharing only reading
//   append <path> <hex>  the bytes in one write
#include <cstdio>

#include "../shared/test_files.h"
#ifdef _WIN32
#include <share.h>
#include <shellapi.h>
#endif

namespace {

using Path = std::filesystem::path;
using zr::test::WriteHostile;

// Opens for appending, creating the file. Another program may have it open for a moment: what
// this share denies waits (POSIX shares everything).
FILE* OpenForAppending(const Path& path, [[maybe_unused]] bool shareOnlyReading) {
    FILE* f = nullptr;
    for (int i = 0; !f && i < 400; ++i) {
#ifdef _WIN32
        f = _wfsopen(path.c_str(), L"ab", shareOnlyReading ? _SH_DENYWR : _SH_DENYNO);
#else
        f = std::fopen(path.c_str(), "ab");
#endif
        if (!f) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return f;
}

}  // namespace

int main(int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);  // argv is in the code page
    const std::vector<Path> a(wide + 1, wide + argc);
#else
    const std::vector<Path> a(argv + 1, argv + argc);
#endif
    const bool stress = a.size() == 4 && a[0] == "stress";
    const bool append = a.size() == 3 && a[0] == "append";
    FILE* out = stress || append ? OpenForAppending(a[1], stress) : nullptr;
    const auto put = [&](const std::string& b) {
        return std::fwrite(b.data(), 1, b.size(), out) == b.size() && !std::fflush(out);
    };
    std::string bytes;
    for (size_t i = 0; append && i + 1 < a[2].string().size(); i += 2)
        bytes += static_cast<char>(std::stoi(a[2].string().substr(i, 2), nullptr, 16));
    const bool ok =
        out && (append ? put(bytes)
                       : WriteHostile(std::stoull(a[2].string()), std::stod(a[3].string()), put));
    if (out) std::fclose(out);
    return ok ? 0 : 1;
}
