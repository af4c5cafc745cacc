// Registry primitives over HKEY_CURRENT_USER\Software\DIVAZU\DORU\Config, with the wide
// functions: texts are read whole, whatever their length.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace zr {

// A read yields the caller's default when the value is missing, unreadable or of another type.
std::wstring GetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name,
                         const std::wstring& fallback);
int32_t GetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name, int32_t fallback);
// Writes create the key when it is missing; the result tells whether the write succeeded.
bool SetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name,
                 std::wstring_view value);
bool SetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name, int32_t value);

// The settings key as the value store the settings rules work on.
class RegistryStore final : public ValueStore {
  public:
    explicit RegistryStore(HKEY root = HKEY_CURRENT_USER, std::wstring subkey = kConfigKey)
        : root_(root), subkey_(std::move(subkey)) {}
    std::optional<int32_t> ReadDword(std::wstring_view name) override;
    std::optional<std::wstring> ReadString(std::wstring_view name) override;
    bool WriteDword(std::wstring_view name, int32_t value) override;
    bool WriteString(std::wstring_view name, std::wstring_view value) override;

  private:
    HKEY root_;
    std::wstring subkey_;
};

}  // namespace zr
