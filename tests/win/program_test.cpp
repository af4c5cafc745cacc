// The program as a process of its own: a file named on its command line.
#include <gtest/gtest.h>

#include "common/handles_win.h"
#include "follow_helpers.h"
#include "side_window_helpers.h"

namespace zr::test {
namespace {

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearConfig();
        WriteDword(L"Read Interval", 50);
    }
    void TearDown() override {
        if (process_) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.get(), 15000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.get(), 1);
                ADD_FAILURE() << "the program did not end";
            }
        }
        ClearConfig();
    }

    // Starts zororuv.exe with `args`, in `folder`; its main window once shown (null when the
    // program shows none).
    HWND Start(const std::wstring& args, const std::wstring& folder) {
        std::wstring exe = LogWriterPath();
        exe.replace(exe.find_last_of(L'\\') + 1, std::wstring::npos, L"zororuv.exe");
        std::wstring cmd = L"\"" + exe + L"\" " + args;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &si, &pi)) {
            return nullptr;
        }
        CloseHandle(pi.hThread);
        process_.reset(pi.hProcess);
        pid_ = pi.dwProcessId;
        PumpUntil([&] { return (main_ = FindShownWindow(pid_, L"ZororuvMain")) != nullptr; },
                  15000);
        return main_;
    }

    // The display's text, asked for by message as another process must (each line end in
    // whatever form the control hands it over: one "\r" here).
    std::wstring Shown() {
        HWND display = GetDlgItem(main_, IDC_RICHTEXT);
        std::wstring text(static_cast<size_t>(SendMessageW(display, WM_GETTEXTLENGTH, 0, 0)) + 1,
                          L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(display, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
        std::erase(text, L'\n');
        return text;
    }

    UniqueKernel process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    TempDir dir;
};

// As "送る" and a file association start it: a quoted path with spaces, here relative to the
// current folder; only the first argument counts.
TEST_F(Program, FollowsTheFileNamedFirstOnItsCommandLine) {
    CreateDirectoryW(dir.path(L"my logs").c_str(), nullptr);
    const std::wstring log = dir.path(L"my logs\\app log.txt");
    WriteFileBytes(log, "first line\r\n");
    WriteFileBytes(dir.path(L"other.txt"), "other\r\n");
    ASSERT_TRUE(Start(L"\"my logs\\app log.txt\" other.txt", dir.dir()));
    EXPECT_TRUE(PumpUntil([&] { return Text(main_) == L"app log.txt"; }));
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"first line\r"; }));
    WriteFileBytes(log, "second line\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"first line\rsecond line\r"; }));
}

TEST_F(Program, MissingFileOnItsCommandLineIsReportedAndNothingIsFollowed) {
    const std::wstring missing = dir.path(L"no such.log");
    // The box comes up before the window takes input; the window is shown behind it.
    Start(L"\"" + missing + L"\"", dir.dir());
    HWND box = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (box = FindShownWindow(pid_, L"#32770")) != nullptr; }, 15000));
    EXPECT_EQ(Text(box), L"エラー");
    EXPECT_EQ(MessageBoxText(box), L"ファイルが見つかりません。\n" + missing);
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box) && main_; }, 15000));
    EXPECT_EQ(WaitForSingleObject(process_.get(), 300), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program stays open";
    EXPECT_EQ(Text(main_), L"Zororuv");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(main_, IDC_COMMAND1 + i)) != FALSE, i == 2)
            << "button " << i + 1;
    }
}

}  // namespace
}  // namespace zr::test
