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
    bool Remove(std::wstring_view name) override;

  private:
    HKEY root_;
    std::wstring subkey_;
};

// The options dialog's store into the settings key: every row written, and a refused write
// reported once, in a box owned by `owner` (the active window when null). True when every
// write worked. A store of the settings elsewhere reports its own failure with
// ShowError(owner, kSettingsNotStored).
bool SetRegistry(RegistryStore& store, const Settings& settings, HWND owner = nullptr);

}  // namespace zr
