// What the main window keeps while it follows a file.
#pragma once
#include <array>
#include <memory>

#include "common/codepage_win.h"
#include "follow/file_source.h"
#include "follow/follower.h"
#include "follow/notices.h"

namespace zr {

struct FollowState {
    // How the pass under way gets its next step.
    enum class Next { None, Message, Timer };

    std::unique_ptr<FileSource> files = MakeWin32FileSource();
    Follower follower{*files, &IsAnsiLeadByte};
    NoticeMatcher notices;

    bool passActive = false;  // a pass has begun and has more to read
    bool inStep = false;      // guards against a step starting inside another
    Next next = Next::None;
    // Notice strings found so far in the text this pass added; each acts once, at its end.
    std::array<bool, NoticeMatcher::kCount> found{};
};

}  // namespace zr
