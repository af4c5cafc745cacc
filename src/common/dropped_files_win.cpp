#include "common/dropped_files_win.h"

#include <shellapi.h>

namespace zr {

DroppedFile TakeDroppedFile(HDROP drop) {
    DroppedFile file;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        file.path.resize(length + 1);
        file.path.resize(DragQueryFileW(drop, 0, file.path.data(), length + 1));
        const DWORD attributes = GetFileAttributesW(file.path.c_str());
        file.folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    DragFinish(drop);
    return file;
}

}  // namespace zr
