// Opening a file, and the reading buttons: stop and resume following, clear the display, and
// mark the log by appending the time or the text to insert to the followed file itself.
#include <algorithm>
#include <string>

#include "common/codepage_win.h"
#include "common/controls_win.h"
#include "common/dropped_files_win.h"
#include "common/handles_win.h"
#include "common/ui_seam_win.h"
#include "follow/insertion_text.h"
#include "follow/path_rules.h"
#include "follow/timestamp.h"
#include "mainwindow/instance_win.h"
#include "mainwindow/main_window_win.h"

namespace zr {

namespace {

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

// The name of an encoding as the user knows it.
const wchar_t* EncodingName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8:
            return L"UTF-8";
        case TextEncoding::Utf16Le:
            return L"UTF-16 LE";
        case TextEncoding::Utf16Be:
            return L"UTF-16 BE";
        default:
            return L"Shift_JIS";
    }
}

// "U+1F389" for a character, as it can be told apart even when it shows as nothing.
std::wstring CodePoints(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        wchar_t code[16];
        swprintf(code, 16, L"U+%04X", c);
        if (!out.empty()) out += L' ';
        out += code;
    }
    return out;
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
    // Every open finds the file's encoding anew.
    Follow(path, TextEncoding::Auto);
}

void MainWindow::Follow(const std::wstring& path, TextEncoding encoding) {
    strFilePath_ = path;
    ChooseEncoding(encoding);
    SetReadingButtons(true);
    // Every open starts from an empty display, the same file again included.
    pass_->Open(path, encoding);
    // So that Ctrl+Home, Page Up and Ctrl+F work at once.
    if (view_.hwnd()) SetFocus(view_.hwnd());
}

void MainWindow::OnEncoding(int id) {
    // The order of the items is the order of the encodings.
    const auto encoding = static_cast<TextEncoding>(id - IDM_ENCODING_AUTO);
    // A file being followed is read again in it, as a new open of the file would read it.
    if (strFilePath_.empty()) {
        ChooseEncoding(encoding);
    } else {
        Follow(strFilePath_, encoding);
    }
}

void MainWindow::OnDropFiles(HDROP drop) {
    if (const std::wstring path = TakeDroppedFile(hwnd(), drop); !path.empty()) OpenFile(path);
}

void MainWindow::OnBoot() {
    if (!StartSecondInstance(hwnd(), secondInstance_.empty() ? ProgramPath() : secondInstance_)) {
        Ui().Message(hwnd(), L"追加起動できません。", kErrorTitle, MB_OK | MB_ICONERROR);
    }
}

void MainWindow::OnCommand1() {
    pass_->SetStopRead(true);
    SetReadingButtons(false);
}

void MainWindow::OnCommand2() {
    pass_->SetStopRead(false);
    // The end comes back into view, read again when the display stands elsewhere.
    view_.ShowEnd();
    SetReadingButtons(true);
}

void MainWindow::OnCommand3() {
    view_.Clear();
}

void MainWindow::OnCommand4() {
    AppendLineToFile(FormatTimeStamp(CurrentLocalTime()));
}

void MainWindow::OnCommand5() {
    const std::wstring text = ControlText(hwnd(), IDC_TEXT1);
    if (text.empty()) return;
    AppendLineToFile(text);
}

void MainWindow::AppendLineToFile(const std::wstring& line) {
    // Only a file that was accepted at open is ever written to.
    if (strFilePath_.empty() || IsRefusedExecutable(strFilePath_)) return;
    // In the log's own encoding, so that the log stays readable by everyone else; a character
    // the encoding cannot carry is refused, never written as something else.
    const TextEncoding encoding = pass_->Encoding();
    const InsertionBytes encoded = EncodeInsertion(line, encoding, &ToAnsiExact);
    if (encoded.bytes.empty()) {
        Ui().Message(hwnd(),
                     L"「" + encoded.unwritable + L"」(" + CodePoints(encoded.unwritable) +
                         L") はこのファイルの文字コード " + EncodingName(encoding) +
                         L" では書き込めません。\n何も書き込みませんでした。",
                     kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    // The whole line in one append: it lands whole at the end even while the log's own
    // writer appends, and never in the middle of someone else's line.
    const std::string& bytes = encoded.bytes;
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
