// What the main window keeps while it follows a file.
#pragma once

namespace zr {

struct FollowState {};

}  // namespace zr
