#include <gtest/gtest.h>

#include "filesearch/search_paths.h"

namespace zr {
namespace {

using List = std::vector<std::wstring>;

TEST(SearchPaths, JoinUsesExactlyOneBackslash) {
    EXPECT_EQ(JoinPath(L"C:\\logs", L"app.log"), L"C:\\logs\\app.log");
    EXPECT_EQ(JoinPath(L"C:\\", L"app.log"), L"C:\\app.log");
    EXPECT_EQ(JoinPath(L"C:\\logs\\", L"app.log"), L"C:\\logs\\app.log");
    EXPECT_EQ(JoinPath(L"C:\\logs", L"\\app.log"), L"C:\\logs\\app.log");
    EXPECT_EQ(JoinPath(L"\\\\server\\share\\", L"日本語.log"), L"\\\\server\\share\\日本語.log");
    EXPECT_EQ(JoinPath(L"", L"app.log"), L"app.log");
}

TEST(SearchPaths, EmptyPatternMeansEveryFile) {
    EXPECT_EQ(SplitPatterns(L""), List{L"*.*"});
    EXPECT_EQ(SplitPatterns(L"   "), List{L"*.*"});
    EXPECT_EQ(SplitPatterns(L" ; ;"), List{L"*.*"});
}

TEST(SearchPaths, PatternsSplitAtSemicolonsAndLoseSurroundingBlanks) {
    EXPECT_EQ(SplitPatterns(L"*.log"), List{L"*.log"});
    EXPECT_EQ(SplitPatterns(L" *.log ; *.txt;a?c.*"), (List{L"*.log", L"*.txt", L"a?c.*"}));
    EXPECT_EQ(SplitPatterns(L"*.log;;"), List{L"*.log"});
    EXPECT_EQ(SplitPatterns(L"my file.log"), List{L"my file.log"}) << "inner blanks stay";
}

TEST(SearchPaths, PatternsNamingAnotherFolderListNothing) {
    EXPECT_EQ(SplitPatterns(L"..\\*.log"), List{});
    EXPECT_EQ(SplitPatterns(L"C:*.log"), List{});
    EXPECT_EQ(SplitPatterns(L"sub/*.log;*.txt"), List{L"*.txt"});
}

TEST(SearchPaths, FolderChainRunsFromTheRootDown) {
    EXPECT_EQ(FolderChain(L"C:\\"), List{L"C:\\"});
    EXPECT_EQ(FolderChain(L"C:\\logs\\app"), (List{L"C:\\", L"C:\\logs", L"C:\\logs\\app"}));
    EXPECT_EQ(FolderChain(L"C:\\logs\\app\\"), (List{L"C:\\", L"C:\\logs", L"C:\\logs\\app"}));
    EXPECT_EQ(FolderChain(L"d:\\a\\\\b"), (List{L"d:\\", L"d:\\a", L"d:\\a\\b"}));
    EXPECT_EQ(FolderChain(L"\\\\server\\share\\logs"),
              (List{L"\\\\server\\share\\", L"\\\\server\\share\\logs"}));
    EXPECT_EQ(FolderChain(L"\\\\server\\share"), List{L"\\\\server\\share\\"});
}

}  // namespace
}  // namespace zr
