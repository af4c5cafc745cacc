// Following a name pattern instead of one file: a path like C:\logs\app_*.log stands for the
// newest file of that folder whose name matches, so that a log written anew each day or at
// each start keeps being followed. Here are the rules that pick that file, the door through
// which they list a folder, and when a folder is worth listing again.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

// A path whose last part (after the last backslash or slash) holds '*' or '?'.
bool IsNamePattern(std::wstring_view path);

// `folder` keeps its closing separator (C:\logs\, C:\, \\srv\share\), so that folder + name is
// the path of a file in it; it is empty for a bare name, which means the current folder, and
// "C:" for "C:app_*.log".
struct PatternPath {
    std::wstring folder;
    std::wstring name;
};
PatternPath SplitPatternPath(std::wstring_view path);

// Whether a file name matches a name pattern the way Windows users expect: '*' stands for any
// run of characters, none included, '?' for exactly one, and a pattern ending in ".*" also
// takes the names that its part before ".*" takes, so that "*.*" takes every name. Letters match
// whatever their case in ASCII, Latin-1, Greek, Cyrillic and full-width Latin (the case pairs of
// these blocks that differ by a fixed offset); other characters match only themselves. Narrower
// than the system's own matching, never wider, so that the system's matches checked again here give
// the same files on every platform.
bool MatchesName(std::wstring_view name, std::wstring_view pattern);

// One entry of a folder. The time counts in the platform's own units from its own epoch
// (100 ns since 1601 on Windows, ns since 1970 elsewhere): only its order counts.
struct FolderEntry {
    std::wstring name;
    int64_t lastWrite = 0;
    bool isFolder = false;
};

// The file followed for a pattern: the latest last-write time among the entries whose long
// names match, folders and executables left out; of equal times, the name that sorts last,
// comparing UTF-16 units with the case folded as MatchesName folds it, then as they are. Null
// when nothing matches.
const FolderEntry* PickNewest(const std::vector<FolderEntry>& entries,
                              std::wstring_view namePattern);

// The narrow door through which a folder is listed, so that the choice is the same on Windows
// and in the native tests.
class FolderLister {
  public:
    virtual ~FolderLister() = default;
    // The entries of `folder` (as SplitPatternPath gives it) that the name pattern may match:
    // every match, and maybe more (Windows matches short 8.3 names too), which PickNewest
    // sorts out. Empty when the folder cannot be read, or stopped being readable part way.
    virtual std::optional<std::vector<FolderEntry>> List(const std::wstring& folder,
                                                         const std::wstring& namePattern) = 0;
};

#ifdef _WIN32
std::unique_ptr<FolderLister> MakeWin32FolderLister();
#else
std::unique_ptr<FolderLister> MakePosixFolderLister();
#endif

// One check of a pattern: the path of its newest file; empty when the folder cannot be read
// or holds no match, both of which a later check may find changed.
std::optional<std::wstring> FindNewest(FolderLister& lister, std::wstring_view patternPath);

// When to check the folder again. Listing a folder of thousands of files at every tick would
// slow every pass, and a new log matters only once the old one has gone quiet: so a check is
// due only after a pass that read nothing new from the followed file, and at most once every
// kGap. The first check is due at once.
class RecheckPolicy {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kGap = std::chrono::seconds(3);

    // Asked once a pass: `grew` when the pass read new bytes of the followed file. True means
    // list the folder now; the gap then counts from `now`.
    bool Due(Clock::time_point now, bool grew);
    // The next pass checks whatever the time and the file: after a new pattern is given, or
    // while its folder cannot be read or holds no match.
    void CheckNextPass() { atOnce_ = true; }

  private:
    bool atOnce_ = true;
    Clock::time_point last_{};
};

}  // namespace zr
