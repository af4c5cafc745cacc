// Helpers shared by the follow tests: the display's text, what a file should look like in
// it, and the log writer process.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"

namespace zr::test {

// The display's own text: every paragraph end is a lone "\r".
std::wstring DisplayText(MainWindow& main);
size_t DisplayLength(MainWindow& main);
// The display's last n characters (fewer when it holds fewer), read without copying it all.
std::wstring DisplayTail(MainWindow& main, size_t n);
// A file's text as the display must hold it: CR LF, CR and LF each end a line (shown as
// "\r"), each line decoded from the system code page.
std::wstring ExpectedDisplay(const std::string& fileBytes);
std::wstring Label1(MainWindow& main);
// Whether another program could open the file for reading right now, sharing everything.
bool OpenableForReading(const std::wstring& path);

// Dispatches one message, or waits a little when there is none; for tests that look at the
// window between the steps of a pass.
void PumpOne();
bool PumpOneUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Starts the main window with a short read interval, so that tests do not wait long.
std::unique_ptr<MainWindow> StartFollowing(UINT intervalMs = 50);

// The log writer process, found next to this test program.
std::wstring LogWriterPath();
class Writer {
  public:
    explicit Writer(const std::vector<std::wstring>& args);
    ~Writer();
    bool Started() const { return process_ != nullptr; }
    bool Running() const;
    // Waits for the end (pumping this thread's messages); the exit code, or -1.
    int Wait(int timeoutMs = 30000);

  private:
    HANDLE process_ = nullptr;
};
// Runs the log writer to its end; true when every operation succeeded.
bool RunWriter(const std::vector<std::wstring>& args);
std::wstring Hex(const std::string& bytes);

// A file of many numbered lines, large enough to take several steps of a pass.
std::string ManyLines(const char* prefix, size_t bytes);

}  // namespace zr::test
