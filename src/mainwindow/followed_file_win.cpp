#include "mainwindow/followed_file_win.h"

#include <cwchar>
#include <memory>

#include "common/codepage_win.h"
#include "common/handles_win.h"
#include "common/messages.h"
#include "common/ui_seam_win.h"
#include "follow/insertion_text.h"
#include "follow/newest_file.h"
#include "follow/path_rules.h"
#include "follow/timestamp.h"
#include "mainwindow/encodings.h"

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

// "U+1F389" for a character, as it can be told apart even when it shows as nothing.
std::wstring CodePoints(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        wchar_t code[16];
        std::swprintf(code, 16, L"U+%04X", c);
        if (!out.empty()) out += L' ';
        out += code;
    }
    return out;
}

}  // namespace

bool FollowedFile::Open(const std::wstring& candidate) {
    // Settle and check everything before anything changes: a cancel, an empty path or a
    // refused file leaves the file followed, the display, the buttons and the timer alone.
    const std::wstring path =
        CutAtNul(candidate.empty() ? Ui().OpenFileDialog(owner_, L"*.*") : candidate);
    if (path.empty() || !IsWindow(owner_)) return false;
    if (IsNamePattern(path)) return FollowPattern(path);
    if (IsRefusedExecutable(path)) {
        Ui().Message(owner_, kExeRefused, kErrorTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    if (const std::wstring problem = ReadProblem(path); !problem.empty()) {
        Ui().Message(owner_, problem, kErrorTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    if (!IsWindow(owner_)) return false;
    pattern_.clear();
    // Every open finds the file's encoding anew.
    Follow(path, TextEncoding::Auto);
    return true;
}

bool FollowedFile::FollowPattern(const std::wstring& pattern) {
    const PatternPath split = SplitPatternPath(pattern);
    const DWORD attributes = GetFileAttributesW(split.folder.empty() ? L"." : split.folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Ui().Message(owner_, L"フォルダーが見つかりません。\n" + split.folder, kErrorTitle,
                     MB_OK | MB_ICONERROR);
        return false;
    }
    // Names that only executables can have are refused as executables are.
    if (IsRefusedExecutable(split.name)) {
        Ui().Message(owner_, kExeRefused, kErrorTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    // A folder without a match yet is followed all the same: the first file to come is.
    const std::unique_ptr<FolderLister> lister = MakeWin32FolderLister();
    pattern_ = pattern;
    path_ = FindNewest(*lister, pattern).value_or(L"");
    menu_.CheckEncoding(TextEncoding::Auto);
    pass_.FollowPattern(pattern, path_);
    ShowName();
    return true;
}

void FollowedFile::MovedOn(const std::wstring& path) {
    path_ = path;
    menu_.CheckEncoding(TextEncoding::Auto);
    ShowName();
}

void FollowedFile::ShowName() {
    std::wstring name = ListedName(path_);
    if (!pattern_.empty()) {
        name = SplitPatternPath(pattern_).name + (name.empty() ? L"" : L" - " + name);
    }
    SetWindowTextW(owner_, name.c_str());
}

void FollowedFile::ChooseEncoding(TextEncoding encoding) {
    // A file being followed is read again in it, as a new open of the file would read it; a
    // pattern followed goes on.
    menu_.CheckEncoding(encoding);
    if (!pattern_.empty() && !path_.empty()) {
        pass_.Reopen(encoding);
    } else if (!path_.empty()) {
        Follow(path_, encoding);
    }
}

void FollowedFile::Follow(const std::wstring& path, TextEncoding encoding) {
    path_ = path;
    menu_.CheckEncoding(encoding);
    ShowName();
    // Every open starts from an empty display, the same file again included.
    pass_.Open(path, encoding);
}

void FollowedFile::InsertTime() {
    AppendLine(FormatTimeStamp(CurrentLocalTime()));
}

void FollowedFile::InsertText(const std::wstring& text) {
    if (!text.empty()) AppendLine(text);
}

void FollowedFile::AppendLine(const std::wstring& line) {
    // Only a file that was accepted at open is ever written to.
    if (path_.empty() || IsRefusedExecutable(path_)) return;
    // In the log's own encoding, so that the log stays readable by everyone else; a character
    // the encoding cannot carry is refused, never written as something else.
    const TextEncoding encoding = pass_.Encoding();
    const InsertionBytes encoded = EncodeInsertion(line, encoding, &ToAnsiExact);
    if (encoded.bytes.empty()) {
        Ui().Message(owner_,
                     L"「" + encoded.unwritable + L"」(" + CodePoints(encoded.unwritable) +
                         L") はこのファイルの文字コード " + EncodingOf(encoding).name +
                         L" では書き込めません。\n何も書き込みませんでした。",
                     kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    // The whole line in one append: it lands whole at the end even while the log's own
    // writer appends, and never in the middle of someone else's line.
    const std::string& bytes = encoded.bytes;
    // A read-only file is refused here too: the system would let a privileged user write it.
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    UniqueFile file(attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY)
                        ? INVALID_HANDLE_VALUE
                        : CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        Ui().Message(owner_, L"ファイルに書き込めません。\n" + path_, kErrorTitle,
                     MB_OK | MB_ICONERROR);
    }
}

}  // namespace zr
