// Newest-file benchmark: prints figures, asserts nothing.
//   - the cost of one check of a pattern (the folder listed, the newest match chosen) in
//     folders of 100, 1,000 and 10,000 logs, when every file matches and when one does;
//   - for scale, how often such a check runs: at most once every few seconds, and only after a
//     pass that read nothing new.
// Run: build-*/newest_file_bench [folder for the files, default: the system temp folder]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "follow/newest_file.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::unique_ptr<zr::FolderLister> SystemLister() {
#ifdef _WIN32
    return zr::MakeWin32FolderLister();
#else
    return zr::MakePosixFolderLister();
#endif
}

std::wstring LogName(int i) {
    const std::wstring digits = std::to_wstring(i);
    return L"app_" + std::wstring(5 - std::min<size_t>(5, digits.size()), L'0') + digits + L".log";
}

// Median time of one check in milliseconds; false in `found` when a check found nothing.
double MedianCheck(zr::FolderLister& lister, const std::wstring& pattern, int runs, bool& found) {
    std::vector<double> ms;
    found = true;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        const auto newest = zr::FindNewest(lister, pattern);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        found = found && newest.has_value();
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir =
        (argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) /
        ("zororuv-newest-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    auto lister = SystemLister();
    const int runs = 15;

    std::printf("One check of a pattern: list the folder, choose the newest (median of %d)\n",
                runs);
    int made = 0;
    for (int count : {100, 1000, 10000}) {
        for (; made < count; ++made) std::ofstream(dir / LogName(made)) << "line\r\n";
        const std::wstring folder =
            dir.wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
        bool allFound = false, oneFound = false;
        const double all = MedianCheck(*lister, folder + L"app_*.log", runs, allFound);
        const double one = MedianCheck(*lister, folder + L"app_00042.*", runs, oneFound);
        std::printf("  %6d files   all match %8.2f ms   one matches %8.2f ms%s\n", count, all, one,
                    allFound && oneFound ? "" : "   (a check found nothing!)");
    }
    std::printf(
        "  a check runs at most once every %lld s, after a pass that read nothing new\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::seconds>(zr::RecheckPolicy::kGap).count()));
    std::error_code ec;
    fs::remove_all(dir, ec);
}
