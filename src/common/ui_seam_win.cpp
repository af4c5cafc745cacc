#include "common/ui_seam_win.h"

#include <mmsystem.h>

#include "common/common_dialogs_win.h"
#include "common/messages.h"

namespace zr {

namespace {
UiSeam g_real;
UiSeam* g_current = &g_real;
}  // namespace

int UiSeam::Message(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

std::wstring UiSeam::OpenFileDialog(HWND owner, const std::wstring& pattern) {
    return ShowOpenDialog(owner, pattern);
}

std::optional<std::wstring> UiSeam::FolderDialog(HWND owner, const std::wstring& initial) {
    return ShowFolderDialog(owner, initial);
}

bool UiSeam::FontDialog(HWND owner, FontChoice& font) {
    return ShowFontDialog(owner, font);
}

std::optional<COLORREF> UiSeam::ColorDialog(HWND owner, COLORREF initial) {
    return ShowColorDialog(owner, initial);
}

void UiSeam::PlayWave(const std::wstring& path) {
    // Flags 0: synchronous, and the system's default sound when the file cannot be played.
    sndPlaySoundW(path.c_str(), 0);
}

UiSeam& Ui() {
    return *g_current;
}
void SetUi(UiSeam* seam) {
    g_current = seam ? seam : &g_real;
}

void ShowError(HWND owner, const std::wstring& text) {
    Ui().Message(owner, text, kErrorTitle, MB_OK | MB_ICONERROR);
}

}  // namespace zr
