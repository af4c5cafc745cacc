#include "common/dropped_files_win.h"

#include "common/messages.h"
#include "common/ui_seam_win.h"

namespace zr {

std::wstring TakeDroppedFile(HWND owner, HDROP drop) {
    std::wstring path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        path.resize(length + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    }
    DragFinish(drop);
    const DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Ui().Message(owner, std::wstring(kFolderRefused) + L"\n" + path, kErrorTitle,
                     MB_OK | MB_ICONERROR);
        return {};
    }
    return path;
}

}  // namespace zr
