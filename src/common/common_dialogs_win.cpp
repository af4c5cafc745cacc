#include "common/common_dialogs_win.h"

#include <commdlg.h>
#include <shobjidl.h>

#include <array>
#include <vector>

#include "common/controls_win.h"
#include "common/font_units.h"
#include "common/window_win.h"

namespace zr {

namespace {

// COM is looked up the first time a folder is asked for, so that a run that never asks does
// not load it at start.
struct ComCalls {
    decltype(&CoInitializeEx) initialize = nullptr;
    decltype(&CoUninitialize) uninitialize = nullptr;
    decltype(&CoCreateInstance) create = nullptr;
    decltype(&CoTaskMemFree) free = nullptr;
};

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const ComCalls& Com() {
    static const ComCalls calls = [] {
        ComCalls c;
        if (HMODULE ole = LoadLibraryW(L"ole32.dll")) {
            Find(ole, "CoInitializeEx", c.initialize);
            Find(ole, "CoUninitialize", c.uninitialize);
            Find(ole, "CoCreateInstance", c.create);
            Find(ole, "CoTaskMemFree", c.free);
        }
        if (!c.initialize || !c.uninitialize || !c.create || !c.free) c = {};
        return c;
    }();
    return calls;
}

// The system's file dialog (CLSID_FileOpenDialog).
constexpr CLSID kFileOpenDialog = {
    0xdc1c5a9c, 0xe88a, 0x4dde, {0xa5, 0xa1, 0x60, 0xf8, 0x2a, 0x20, 0xae, 0xf7}};

template <typename T>
struct Released {
    T* p = nullptr;
    Released() = default;
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    ~Released() {
        if (p) p->Release();
    }
};

std::optional<std::wstring> AskFolder(IFileOpenDialog& dialog, HWND owner,
                                      const std::wstring& initial) {
    DWORD options = 0;
    dialog.GetOptions(&options);
    dialog.SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog.SetTitle(kFolderDialogTitle);
    Released<IShellItem> start;
    if (!initial.empty() &&
        SUCCEEDED(SHCreateItemFromParsingName(initial.c_str(), nullptr, IID_PPV_ARGS(&start.p)))) {
        dialog.SetFolder(start.p);  // a file or a vanished folder is refused: the usual start
    }
    Released<IShellItem> chosen;
    if (FAILED(dialog.Show(owner)) || FAILED(dialog.GetResult(&chosen.p))) return std::nullopt;
    PWSTR path = nullptr;
    if (FAILED(chosen.p->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
    std::wstring result(path);
    Com().free(path);
    return result;
}

}  // namespace

std::wstring ShowOpenDialog(HWND owner, const std::wstring& pattern) {
    // Room for the longest path the platform accepts (\\?\ paths reach 32,767 characters).
    std::vector<wchar_t> file(32768, L'\0');
    // Filter: display text NUL pattern NUL NUL.
    std::wstring filter = pattern;
    filter.push_back(L'\0');
    filter += pattern;
    filter.push_back(L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.hInstance = AppInstance();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = kOpenDialogTitle;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&ofn)) return {};
    return std::wstring(file.data());
}

std::optional<std::wstring> ShowFolderDialog(HWND owner, const std::wstring& initial) {
    const ComCalls& com = Com();
    if (!com.create) return std::nullopt;
    // A thread that had COM started already keeps it started.
    const HRESULT started =
        com.initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::optional<std::wstring> folder;
    {
        Released<IFileOpenDialog> dialog;
        if (SUCCEEDED(com.create(kFileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&dialog.p)))) {
            folder = AskFolder(*dialog.p, owner, initial);
        }
    }
    if (SUCCEEDED(started)) com.uninitialize();
    return folder;
}

bool ShowFontDialog(HWND owner, FontChoice& font) {
    const int dpi = WindowDpi(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = PointsToFontHeight(font.size, dpi);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lstrcpynW(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);

    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = owner;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE;
    cf.nSizeMin = 8;
    cf.nSizeMax = 24;
    if (!ChooseFontW(&cf)) return false;

    font.name = lf.lfFaceName;
    font.size = FontHeightToPoints(lf.lfHeight, dpi);
    font.bold = IsBoldWeight(lf.lfWeight);
    font.italic = lf.lfItalic != 0;
    return true;
}

std::optional<COLORREF> ShowColorDialog(HWND owner, COLORREF initial) {
    // Custom colours are not kept between calls: every dialog starts with sixteen white ones.
    std::array<COLORREF, 16> custom;
    custom.fill(RGB(255, 255, 255));
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = initial;
    cc.lpCustColors = custom.data();
    cc.Flags = CC_RGBINIT;
    if (!ChooseColorW(&cc)) return std::nullopt;
    return cc.rgbResult;
}

}  // namespace zr
