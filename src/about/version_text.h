// The text of the About box: product name and the version from the program's version record.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace zr {

struct ProgramVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t revision = 0;
};

// The version record's file version holds major.minor.build.revision in two 32-bit halves;
// the build number takes no part in what the program shows.
ProgramVersion VersionFromFileVersion(uint32_t versionMS, uint32_t versionLS);

// "Zororuv - Version 1.00": the minor number and the revision follow each other without a
// separator, so 1, 2, 13 reads "1.213".
std::wstring VersionText(std::wstring_view product, const ProgramVersion& version);

}  // namespace zr
