#include "settings/registry_win.h"

#include <vector>

#include "common/handles_win.h"
#include "common/messages.h"
#include "common/ui_seam_win.h"

namespace zr {

namespace {

UniqueRegKey OpenKey(HKEY root, std::wstring_view subkey, bool create) {
    UniqueRegKey key;
    const std::wstring path(subkey);
    LSTATUS rc;
    if (create) {
        rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                             nullptr);
    } else {
        rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put());
    }
    if (rc != ERROR_SUCCESS) key.release();
    return key;
}

std::optional<std::wstring> ReadString(HKEY root, std::wstring_view subkey,
                                       std::wstring_view name) {
    UniqueRegKey key = OpenKey(root, subkey, false);
    if (!key) return std::nullopt;
    const std::wstring valueName(name);
    // The value may grow between the size query and the read; ask again until it fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            return std::nullopt;
        }
        std::vector<wchar_t> buf(bytes / sizeof(wchar_t) + 2, L'\0');
        DWORD got = static_cast<DWORD>((buf.size() - 1) * sizeof(wchar_t));
        const LSTATUS rc = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buf.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
        // A stored text need not carry its NUL; it ends at the first one or at its size.
        std::wstring text(buf.data(), got / sizeof(wchar_t));
        const size_t nul = text.find(L'\0');
        if (nul != std::wstring::npos) text.resize(nul);
        return text;
    }
    return std::nullopt;
}

std::optional<int32_t> ReadDword(HKEY root, std::wstring_view subkey, std::wstring_view name) {
    UniqueRegKey key = OpenKey(root, subkey, false);
    if (!key) return std::nullopt;
    const std::wstring valueName(name);
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(value)) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

bool Write(HKEY root, std::wstring_view subkey, std::wstring_view name, DWORD type,
           const void* data, DWORD bytes) {
    UniqueRegKey key = OpenKey(root, subkey, true);
    if (!key) return false;
    const std::wstring valueName(name);
    return RegSetValueExW(key.get(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data),
                          bytes) == ERROR_SUCCESS;
}

}  // namespace

std::wstring GetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name,
                         const std::wstring& fallback) {
    return ReadString(root, subkey, name).value_or(fallback);
}

int32_t GetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name, int32_t fallback) {
    return ReadDword(root, subkey, name).value_or(fallback);
}

bool SetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name,
                 std::wstring_view value) {
    const std::wstring text(value);  // carries the terminating NUL
    return Write(root, subkey, name, REG_SZ, text.c_str(),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool SetRegValue(HKEY root, std::wstring_view subkey, std::wstring_view name, int32_t value) {
    const DWORD v = static_cast<DWORD>(value);
    return Write(root, subkey, name, REG_DWORD, &v, sizeof(v));
}

std::optional<int32_t> RegistryStore::ReadDword(std::wstring_view name) {
    return zr::ReadDword(root_, subkey_, name);
}
std::optional<std::wstring> RegistryStore::ReadString(std::wstring_view name) {
    return zr::ReadString(root_, subkey_, name);
}
bool RegistryStore::WriteDword(std::wstring_view name, int32_t value) {
    return SetRegValue(root_, subkey_, name, value);
}
bool RegistryStore::WriteString(std::wstring_view name, std::wstring_view value) {
    return SetRegValue(root_, subkey_, name, value);
}
bool RegistryStore::Remove(std::wstring_view name) {
    const LSTATUS rc = RegDeleteKeyValueW(root_, subkey_.c_str(), std::wstring(name).c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool SetRegistry(RegistryStore& store, const Settings& settings, HWND owner) {
    if (SetRegistry(static_cast<ValueStore&>(store), settings)) return true;
    ShowError(owner ? owner : GetActiveWindow(), kSettingsNotStored);
    return false;
}

}  // namespace zr
