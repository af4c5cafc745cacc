// Opening a file, the read pass at every tick, and the reading buttons.
//
// A pass is cut into steps (Follower::Step reads a bounded number of bytes), and the window
// goes back to its message loop between steps, so a large file never freezes it: it repaints,
// and stop, exit, the close box and open work in the middle of a pass. A step is never
// entered from another one; the next step is asked for by a posted message carrying the
// follower's generation, so that a step asked for the file that was open before is dropped.
// Posted messages come before input in the queue, so when input is waiting the next step is
// asked for by the (lowest-priority) timer instead.
#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "common/codepage_win.h"
#include "common/controls_win.h"
#include "common/handles_win.h"
#include "common/ui_seam_win.h"
#include "common/window_win.h"
#include "follow/display_text.h"
#include "mainwindow/follow_state_win.h"
#include "mainwindow/main_window_win.h"
#include "follow/path_rules.h"
#include "follow/timestamp.h"

namespace zr {

namespace {

// The display keeps the latest this many characters and drops whole lines above them.
constexpr size_t kDisplayLimit = 8'000'000;
// What is kept when the display would pass its limit. The rich-text control on Wine takes
// time in proportion to all it holds for every line removed from its top (a few lines cost a
// quarter of a second, thousands cost minutes), so lines are not removed one tick at a time:
// the display is rebuilt with its latest half, which happens once in four million characters.
constexpr size_t kKeptOnOverflow = kDisplayLimit / 2;
// Text goes into the display in pieces of 64 KiB: the rich-text control slows down sharply
// with the size of a single insertion.
constexpr size_t kPieceChars = 32 * 1024;
constexpr size_t kScanChars = 16 * 1024;
// Bytes read by one step of a pass. The display takes in about a million characters a
// second, so a step keeps the window from serving the user for a quarter of a second at most.
constexpr size_t kStepBytes = 256 * 1024;
constexpr wchar_t kUnreadable[] = L"読込不可";

size_t DisplayLength(HWND display) {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT n = SendMessageW(display, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

void Select(HWND display, size_t from, size_t to) {
    CHARRANGE range{static_cast<LONG>(from), static_cast<LONG>(to)};
    SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

std::wstring TextRange(HWND display, size_t from, size_t to) {
    std::wstring text(to - from + 1, L'\0');
    TEXTRANGEW range{{static_cast<LONG>(from), static_cast<LONG>(to)}, text.data()};
    const LRESULT got = SendMessageW(display, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// The first position at or after pos where a line begins; the length when none does.
size_t LineStartFrom(HWND display, size_t pos, size_t length) {
    if (pos == 0) return 0;
    for (size_t from = pos - 1; from < length; from += kScanChars) {
        const std::wstring part = TextRange(display, from, std::min(length, from + kScanChars));
        const size_t cr = part.find(L'\r');
        if (cr != std::wstring::npos) return from + cr + 1;
        if (part.empty()) break;
    }
    return length;
}

struct StreamSource {
    const char* next;
    size_t left;  // bytes
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buf, LONG size, LONG* got) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    // Whole UTF-16 units only.
    const size_t n = std::min(source->left, static_cast<size_t>(size)) & ~size_t{1};
    std::memcpy(buf, source->next, n);
    source->next += n;
    source->left -= n;
    *got = static_cast<LONG>(n);
    return 0;
}

DWORD CALLBACK WriteStreamTarget(DWORD_PTR cookie, LPBYTE buf, LONG size, LONG* done) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buf),
                                                   static_cast<size_t>(size));
    *done = size;
    return 0;
}

// Puts plain text in place of the selection. Streamed in rather than replaced: the control's
// replace path slows down with every empty line in the text and grows with what it already
// holds (thousands of empty lines took seconds), while streamed plain text goes in at a steady
// pace and is never read as formatted text.
void InsertPlainText(HWND display, std::wstring_view text) {
    StreamSource source{reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStreamSource};
    SendMessageW(display, EM_STREAMIN, SF_TEXT | SF_UNICODE | SFF_SELECTION,
                 reinterpret_cast<LPARAM>(&stream));
}

// Inserts at the end in the given colour, piece by piece, with the end brought into view.
void AppendText(HWND display, std::wstring_view text, COLORREF colour) {
    const size_t start = DisplayLength(display);
    Select(display, start, start);
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_COLOR;
    cf.crTextColor = colour;
    // Nothing shown is ever taken back, so there is nothing to undo; an undo record would
    // keep a second copy of the text.
    SendMessageW(display, EM_SETUNDOLIMIT, 0, 0);
    SendMessageW(display, WM_SETREDRAW, FALSE, 0);
    for (std::wstring_view piece : SplitForInsertion(text, kPieceChars)) {
        // The colour is set at the insertion point (colouring the inserted range afterwards
        // costs as much again), before every piece: after a piece that ends a line the
        // insertion point takes the colour of the empty last line.
        SendMessageW(display, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        InsertPlainText(display, piece);
    }
    SendMessageW(display, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(display, nullptr, TRUE);
    const size_t end = DisplayLength(display);
    Select(display, end, end);
    SendMessageW(display, EM_SCROLLCARET, 0, 0);
}

// The one colour of a range, or nothing when it has several.
std::optional<COLORREF> RangeColour(HWND display, size_t from, size_t to) {
    Select(display, from, to);
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    if (!(cf.dwMask & CFM_COLOR) || (cf.dwEffects & CFE_AUTOCOLOR)) return std::nullopt;
    return cf.crTextColor;
}

std::string RangeAsRtf(HWND display, size_t from, size_t to) {
    std::string rtf;
    Select(display, from, to);
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0, &WriteStreamTarget};
    SendMessageW(display, EM_STREAMOUT, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
    return rtf;
}

void InsertRtf(HWND display, const std::string& rtf) {
    StreamSource source{rtf.data(), rtf.size()};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStreamSource};
    SendMessageW(display, WM_SETREDRAW, FALSE, 0);
    SendMessageW(display, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    SendMessageW(display, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(display, nullptr, TRUE);
    const size_t end = DisplayLength(display);
    Select(display, end, end);
    SendMessageW(display, EM_SCROLLCARET, 0, 0);
}

// The file's name as a directory lookup reports it, among ordinary files only.
std::wstring ListedName(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(path.c_str(), &data));
    if (!find) return L"";
    if (data.dwFileAttributes &
        (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)) {
        return L"";
    }
    return data.cFileName;
}

// Why the file cannot be followed, or empty when it can be opened for reading now.
std::wstring ReadProblem(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return L"";
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH) {
        return L"ファイルが見つかりません。\n" + path;
    }
    return L"ファイルを読み込めません。\n" + path;
}

}  // namespace

void MainWindow::OpenFile(const std::wstring& strOpenFilePath) {
    if (!hwnd()) return;
    // Settle and check everything before anything changes: a cancel, an empty path or a
    // refused file leaves the file followed, the display, the buttons and the timer alone.
    const std::wstring candidate =
        strOpenFilePath.empty() ? Ui().OpenFileDialog(hwnd(), L"*.*") : strOpenFilePath;
    const std::wstring path = CutAtNul(candidate);
    if (path.empty() || !hwnd()) return;
    if (IsRefusedExecutable(path)) {
        Ui().Message(hwnd(), kExeRefused, kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    if (const std::wstring problem = ReadProblem(path); !problem.empty()) {
        Ui().Message(hwnd(), problem, kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    if (!hwnd()) return;

    SetWindowTextW(hwnd(), ListedName(path).c_str());
    // Every open starts from an empty display, the same file again included, and the pass
    // under way for the earlier file is abandoned: its generation no longer matches.
    ClearDisplay();
    FollowState& f = *follow_;
    f.follower.Start(path);
    f.notices.Reset();
    f.passActive = false;
    f.next = FollowState::Next::None;
    f.found = {};
    strFilePath_ = path;
    blnStopRead_ = false;
    SetControlText(hwnd(), IDC_LABEL1, kReading);
    SetReadingButtons(true);
    EnableTimer(true);
}

void MainWindow::OnTimer() {
    FollowState& f = *follow_;
    if (!hwnd() || f.inStep || !f.follower.Following()) return;
    if (f.passActive) {
        // The pass under way asked for its next step through the timer, or the timer was
        // switched off and on again meanwhile; a step asked for by message comes by itself.
        if (f.next == FollowState::Next::Message) return;
        if (f.next == FollowState::Next::Timer && TimerEnabled()) {
            SetTimer(hwnd(), kTimer1, TimerInterval(), nullptr);
        }
        ContinueFollowPass();
        return;
    }
    if (blnStopRead_) {
        SetControlText(hwnd(), IDC_LABEL1, L"");
        return;
    }
    f.passActive = true;
    f.found = {};
    f.notices.SetStrings(settings_.NoticeString);
    RunFollowStep();
}

void MainWindow::OnFollowContinue(WPARAM generation) {
    FollowState& f = *follow_;
    if (!hwnd() || f.inStep || !f.passActive || f.next != FollowState::Next::Message ||
        generation != static_cast<WPARAM>(f.follower.Generation())) {
        return;
    }
    ContinueFollowPass();
}

void MainWindow::ContinueFollowPass() {
    follow_->next = FollowState::Next::None;
    // Stopped, or the program is closing: the pass ends here and nothing read is lost, since
    // the follower keeps its place.
    if (blnStopRead_ || closing_) {
        EndFollowPass(L"");
        return;
    }
    RunFollowStep();
}

void MainWindow::RunFollowStep() {
    FollowState& f = *follow_;
    PassResult result;
    {
        // Cleared however the step ends: a step that failed must not stop all later ones.
        struct InStep {
            bool& flag;
            explicit InStep(bool& b) : flag(b) { flag = true; }
            ~InStep() { flag = false; }
        } inStep(f.inStep);
        result = f.follower.Step(kStepBytes);
        if (result.status == PassStatus::Ok && !result.text.empty()) {
            ShowFollowedText(result.text);
        }
    }
    if (result.status == PassStatus::Unreadable) {
        // Reported without a box while it lasts; the next tick tries again.
        EndFollowPass(kUnreadable);
        return;
    }
    if (!hwnd()) return;
    if (!result.more) {
        EndFollowPass(L"");
        return;
    }
    if (ControlText(hwnd(), IDC_LABEL1) != kReading) SetControlText(hwnd(), IDC_LABEL1, kReading);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (HIWORD(GetQueueStatus(QS_INPUT)) != 0 && TimerEnabled()) {
        f.next = FollowState::Next::Timer;
        SetTimer(hwnd(), kTimer1, USER_TIMER_MINIMUM, nullptr);
    } else {
        f.next = FollowState::Next::Message;
        PostMessageW(hwnd(), WM_APP_FOLLOW_CONTINUE, static_cast<WPARAM>(result.generation), 0);
    }
}

void MainWindow::EndFollowPass(const wchar_t* label) {
    FollowState& f = *follow_;
    if (f.next == FollowState::Next::Timer && hwnd() && TimerEnabled()) {
        SetTimer(hwnd(), kTimer1, TimerInterval(), nullptr);
    }
    f.passActive = false;
    f.next = FollowState::Next::None;
    if (!hwnd()) return;
    SetControlText(hwnd(), IDC_LABEL1, label);
    const auto found = std::exchange(f.found, {});
    for (bool hit : found) {
        if (!hit) continue;
        if (settings_.NoticeWindowPos) BringWindowToTop(hwnd());
        if (settings_.PlayWave) Ui().PlayWave(settings_.WaveFilePath);
    }
}

void MainWindow::ShowFollowedText(const std::string& bytes) {
    HWND display = Control(IDC_RICHTEXT);
    if (!display) return;
    const std::wstring text = ToDisplayText(bytes, &FromAnsi);
    FollowState& f = *follow_;
    if (settings_.Notice) {
        for (size_t k : f.notices.Find(text)) f.found[k] = true;
    }

    std::wstring_view add = text;
    if (add.size() > kDisplayLimit) {
        size_t from = LineStartAtOrAfter(add, add.size() - kDisplayLimit);
        if (from >= add.size()) from = add.size() - kDisplayLimit;
        add.remove_prefix(from);
    }
    if (const size_t length = DisplayLength(display); length + add.size() > kDisplayLimit) {
        const size_t budget = add.size() < kKeptOnOverflow ? kKeptOnOverflow - add.size() : 0;
        display = KeepLatestLines(length > budget ? length - budget : 0);
    }
    AppendText(display, add, ColorFromText(display_.strCurForeColor, 0));
}

HWND MainWindow::KeepLatestLines(size_t from) {
    HWND display = Control(IDC_RICHTEXT);
    const size_t length = DisplayLength(display);
    from = LineStartFrom(display, from, length);
    if (from >= length) return ReplaceDisplay();
    // Text shown earlier keeps its colour. Mostly it has one, and goes back as plain text in
    // that colour; several colours go back as formatted text, which is three times slower.
    if (const auto colour = RangeColour(display, from, length)) {
        const std::wstring kept = TextRange(display, from, length);
        HWND fresh = ReplaceDisplay();
        AppendText(fresh, kept, *colour);
        return fresh;
    }
    const std::string rtf = RangeAsRtf(display, from, length);
    HWND fresh = ReplaceDisplay();
    InsertRtf(fresh, rtf);
    return fresh;
}

HWND MainWindow::ReplaceDisplay() {
    // Emptying the control takes time in proportion to the square of its lines on Wine
    // (minutes for a full display), while a new one costs next to nothing. The old one goes
    // first: two full displays could exhaust a 32-bit process's address space.
    HWND old = Control(IDC_RICHTEXT);
    RECT r;
    GetWindowRect(old, &r);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    const DWORD style =
        static_cast<DWORD>(GetWindowLongW(old, GWL_STYLE)) | WS_HSCROLL | WS_VSCROLL;
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(old, GWL_EXSTYLE));
    const LRESULT font = SendMessageW(old, WM_GETFONT, 0, 0);
    const bool focused = GetFocus() == old;
    HWND before = GetWindow(old, GW_HWNDPREV);  // keeps its place in the tab order
    DestroyWindow(old);
    HWND fresh = CreateWindowExW(exStyle, MSFTEDIT_CLASS, L"", style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RICHTEXT)),
                                 AppInstance(), nullptr);
    SetWindowPos(fresh, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(fresh, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    SendMessageW(fresh, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(fresh, EM_SETUNDOLIMIT, 0, 0);
    SetWrap(wrap_);
    ApplyDisplayState(false);
    if (focused) SetFocus(fresh);
    return fresh;
}

void MainWindow::ClearDisplay() {
    HWND display = Control(IDC_RICHTEXT);
    if (display && DisplayLength(display) > 0) ReplaceDisplay();
}

void MainWindow::OnStopReading() {
    blnStopRead_ = true;
    SetReadingButtons(false);
}

void MainWindow::OnResumeReading() {
    blnStopRead_ = false;
    if (HWND display = Control(IDC_RICHTEXT)) {
        const size_t end = DisplayLength(display);
        Select(display, end, end);
        SendMessageW(display, EM_SCROLLCARET, 0, 0);
    }
    SetReadingButtons(true);
}

void MainWindow::OnClear() {
    ClearDisplay();
}

void MainWindow::OnInsertTime() {
    AppendLineToFile(FormatTimeStamp(CurrentLocalTime()));
}

void MainWindow::OnInsertText() {
    const std::wstring text = ControlText(hwnd(), IDC_TEXT1);
    if (text.empty()) return;
    AppendLineToFile(text);
}

void MainWindow::AppendLineToFile(const std::wstring& line) {
    // Only a file that was accepted at open is ever written to.
    if (strFilePath_.empty() || IsRefusedExecutable(strFilePath_)) return;
    // The whole line in one append: it lands whole at the end even while the log's own
    // writer appends, and never in the middle of someone else's line.
    const std::string bytes = ToAnsi(line + L"\r\n");
    // A read-only file is refused here too: the system would let a privileged user write it.
    const DWORD attributes = GetFileAttributesW(strFilePath_.c_str());
    UniqueFile file(attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY)
                        ? INVALID_HANDLE_VALUE
                        : CreateFileW(strFilePath_.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        Ui().Message(hwnd(), L"ファイルに書き込めません。\n" + strFilePath_, kErrorTitle,
                     MB_OK | MB_ICONERROR);
    }
}

void MainWindow::SetReadingButtons(bool following) {
    HWND h = hwnd();
    EnableControl(h, IDC_COMMAND1, following);
    EnableControl(h, IDC_COMMAND2, !following);
    EnableControl(h, IDC_COMMAND4, following);
    EnableControl(h, IDC_COMMAND5, following);
}

}  // namespace zr
