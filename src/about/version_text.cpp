#include "about/version_text.h"

namespace zr {

ProgramVersion VersionFromFileVersion(uint32_t versionMS, uint32_t versionLS) {
    return ProgramVersion{static_cast<uint16_t>(versionMS >> 16),
                          static_cast<uint16_t>(versionMS & 0xFFFF),
                          static_cast<uint16_t>(versionLS & 0xFFFF)};
}

std::wstring VersionText(std::wstring_view product, const ProgramVersion& version) {
    std::wstring text(product);
    text += L" - Version ";
    text += std::to_wstring(version.major);
    text += L'.';
    text += std::to_wstring(version.minor);
    text += std::to_wstring(version.revision);
    return text;
}

}  // namespace zr
