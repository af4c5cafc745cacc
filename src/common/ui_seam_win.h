// Every modal prompt and the notice sound go through this seam, so that window tests can
// answer them without a person at the screen. The program uses the real dialogs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zr {

struct FontChoice {
    std::wstring name;
    int32_t size = 9;  // points
    bool bold = false;
    bool italic = false;
};

class UiSeam {
  public:
    virtual ~UiSeam() = default;
    virtual int Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                        UINT flags);
    // The chosen path, or "" when the user cancels.
    virtual std::wstring OpenFileDialog(HWND owner, const std::wstring& pattern);
    // The chosen folder, or nothing when the user cancels; it starts on `initial` when that
    // folder exists.
    virtual std::optional<std::wstring> FolderDialog(HWND owner, const std::wstring& initial);
    // True when the user confirmed a font; `font` then holds it.
    virtual bool FontDialog(HWND owner, FontChoice& font);
    virtual std::optional<COLORREF> ColorDialog(HWND owner, COLORREF initial);
    // Synchronous: returns when the sound has ended.
    virtual void PlayWave(const std::wstring& path);
};

UiSeam& Ui();
// A failure told in the program's style: the error title and icon, an OK button.
void ShowError(HWND owner, const std::wstring& text);
// Installs a replacement (tests); nullptr puts the real dialogs back.
void SetUi(UiSeam* seam);

}  // namespace zr
