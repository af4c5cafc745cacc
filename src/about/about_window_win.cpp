#include "about/about_window_win.h"

#include <string>
#include <vector>

#include "common/controls_win.h"
#include "common/twips.h"

namespace zr {

namespace {

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kClientWidth = 4740;
constexpr int kClientHeight = 1440;

// In tab order: the close button first, so it has the focus when the box opens.
const ControlSpec kControls[] = {
    {IDC_ABOUT_COMMAND1, L"BUTTON", L"閉じる", WS_TABSTOP | BS_PUSHBUTTON, 1920, 960, 975, 375},
    {IDC_PICTURE1, L"STATIC", L"", SS_ICON | SS_REALSIZECONTROL, 240, 240, 480, 480},
    {IDC_ABOUT_LABEL1, L"STATIC", kProductName, SS_LEFT | SS_NOPREFIX, 840, 240, 3855, 255},
    // The rule from (120, 800) to (4600, 800).
    {IDC_LINE1, L"STATIC", L"", SS_ETCHEDHORZ, 120, 800, 4480, 30},
};

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got == 0) return {};
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        path.resize(path.size() * 2);  // a long path was cut
    }
}

}  // namespace

std::optional<ProgramVersion> ReadOwnVersion() {
    const std::wstring path = OwnPath();
    if (path.empty()) return std::nullopt;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> record(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, record.data())) return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        !fixed || length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE) {
        return std::nullopt;
    }
    return VersionFromFileVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

bool AboutWindow::Create() {
    return CreateDesigned({L"ZororuvAbout", CS_HREDRAW | CS_VREDRAW,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), false},
                          kExStyle, kStyle, kAboutCaption, kClientWidth, kClientHeight,
                          CW_USEDEFAULT, CW_USEDEFAULT) != nullptr;
}

void AboutWindow::OnActivate(UINT state, bool, HWND) {
    if (state != WA_INACTIVE) SetFocus(Control(IDC_ABOUT_COMMAND1));
}

void AboutWindow::OnSetFocus(HWND) {
    SetFocus(Control(IDC_ABOUT_COMMAND1));
}

void AboutWindow::OnCreate(const CREATESTRUCTW&) {
    dpi_ = WindowDpi(hwnd());
    CreateControls(hwnd(), kControls, dpi_, nullptr);
    ApplyFontsAndIcon();
    // Every load starts again from the product name, so the version is never added twice.
    if (const std::optional<ProgramVersion> version = ReadOwnVersion()) {
        const std::wstring text = VersionText(ControlText(hwnd(), IDC_ABOUT_LABEL1), *version);
        SetControlText(hwnd(), IDC_ABOUT_LABEL1, text.c_str());
    }
}

void AboutWindow::ApplyFontsAndIcon() {
    uiFont_ = MakeUiFont(dpi_);
    labelFont_ = MakeStatusFont(dpi_);
    SendMessageW(Control(IDC_ABOUT_COMMAND1), WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()),
                 TRUE);
    SendMessageW(Control(IDC_ABOUT_LABEL1), WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()),
                 TRUE);
    // Shared icons belong to the system's cache and are not destroyed here.
    SendMessageW(Control(IDC_PICTURE1), STM_SETICON,
                 reinterpret_cast<WPARAM>(AppIcon(TwipsToPixels(480, dpi_))), 0);
}

void AboutWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    LayoutControls(hwnd(), kControls, dpi_);
    ApplyFontsAndIcon();
    const SIZE size =
        WindowSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, false, dpi);
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::OnCommand(int id, int code, HWND) {
    if (id == IDC_ABOUT_COMMAND1 && code == BN_CLICKED) DestroyWindow(hwnd());
    // Enter, from the message loop's dialog keys, presses the focused close button.
    if (id == IDOK && GetFocus() == Control(IDC_ABOUT_COMMAND1)) DestroyWindow(hwnd());
}

}  // namespace zr
