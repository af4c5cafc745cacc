// A hostile writer (test_files.h) that appends to a log as another program does, each write
// straight to the file and sharing only reading, while a window test follows the log:
//   log_writer <path> <seed> <seconds>
// Exits with 0 when every write succeeded.
#include <share.h>

#include <cstdio>

#include "../shared/test_files.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    // Another program may have the file open for a moment: what this share denies waits.
    FILE* out = nullptr;
    for (int i = 0; !(out = _wfsopen(argv[1], L"ab", _SH_DENYWR)) && i < 400; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto put = [&](const std::string& b) {
        return std::fwrite(b.data(), 1, b.size(), out) == b.size() && !std::fflush(out);
    };
    const bool ok = out && zr::test::WriteHostile(std::wcstoull(argv[2], nullptr, 10),
                                                  std::wcstod(argv[3], nullptr), put);
    if (out) std::fclose(out);
    return ok ? 0 : 1;
}
