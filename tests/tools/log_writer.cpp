// Writes a log as another program does, each write straight to the file, while a test follows
// it; exits with 0 when every write succeeded. One operation:
//   stress <path> <seed> <seconds>  the hostile writer of test_files.h, sharing only reading
//   pieces <path> <hex>...  each piece's bytes in one write; the piece after the Nth waits
//                           until the test makes the file <path>.N (ten seconds at most)
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
    const bool pieces = a.size() >= 2 && a[0] == "pieces";
    FILE* out = stress || pieces ? OpenForAppending(a[1], stress) : nullptr;
    const auto put = [&](const std::string& b) {
        return std::fwrite(b.data(), 1, b.size(), out) == b.size() && !std::fflush(out);
    };
    bool ok =
        out && (pieces || WriteHostile(std::stoull(a[2].string()), std::stod(a[3].string()), put));
    for (size_t n = 2; pieces && ok && n < a.size(); ++n) {
        std::string bytes;
        for (size_t i = 0; i + 1 < a[n].string().size(); i += 2)
            bytes += static_cast<char>(std::stoi(a[n].string().substr(i, 2), nullptr, 16));
        const Path gate = a[1].wstring() + L"." + std::to_wstring(n - 2);
        ok = put(bytes);
        for (int i = 0; ok && !std::filesystem::exists(gate); ok = ++i < 10000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (out) std::fclose(out);
    return ok ? 0 : 1;
}
