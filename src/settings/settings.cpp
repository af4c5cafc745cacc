#include "settings/settings.h"

#include <charconv>

namespace zr {

namespace {

using S = Settings;

const SettingRow kTable[] = {
    {L"Load Window Size", ValueType::Dword, &S::LoadWindowSize, 0, L"", false},
    {L"Load Right Scroll", ValueType::Dword, &S::LoadRightScroll, 0, L"", false},
    {L"Load Window Proc", ValueType::Dword, &S::LoadWindowProc, 0, L"", false},
    {L"Load File Search", ValueType::Dword, &S::LoadFileSearch, 0, L"", false},
    {L"Load Book Mark", ValueType::Dword, &S::LoadBookMark, 0, L"", false},
    {L"Insert Text", ValueType::Dword, &S::InsertText, 0, L"", false},
    {L"Window Pos", ValueType::Dword, &S::WindowPos, 0, L"", false},
    {L"Read Interval", ValueType::Dword, &S::ReadInterval, kDefaultReadInterval, L"", false},
    {L"Back Color", ValueType::Dword, &S::BackColor, kDefaultBackColor, L"", false},
    {L"Fore Color", ValueType::Dword, &S::ForeColor, kDefaultForeColor, L"", false},
    {L"Font Name", ValueType::Sz, &S::FontName, 0, kDefaultFontName, false},
    {L"Font Size", ValueType::Dword, &S::FontSize, kDefaultFontSize, L"", false},
    {L"Bold", ValueType::Dword, &S::Bold, 0, L"", false},
    {L"Italic", ValueType::Dword, &S::Italic, 0, L"", false},
    {L"Notice", ValueType::Dword, &S::Notice, 0, L"", false},
    {L"Blink", ValueType::Dword, &S::Blink, 0, L"", false},
    {L"Notice Window Pos", ValueType::Dword, &S::NoticeWindowPos, 0, L"", false},
    {L"Play Wave", ValueType::Dword, &S::PlayWave, 0, L"", false},
    {L"Wave FilePath", ValueType::Sz, &S::WaveFilePath, 0, L"", true},
    {L"Notice String1", ValueType::Sz, 0, 0, L"", false},
    {L"Notice String2", ValueType::Sz, 1, 0, L"", false},
    {L"Notice String3", ValueType::Sz, 2, 0, L"", false},
};

template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

void LoadRow(ValueStore& store, const SettingRow& row, Settings& s) {
    std::visit(
        Overload{
            [&](bool S::*f) { s.*f = store.ReadDword(row.name).value_or(row.numberDefault) != 0; },
            [&](int32_t S::*f) { s.*f = store.ReadDword(row.name).value_or(row.numberDefault); },
            [&](std::wstring S::*f) {
                if (row.type == ValueType::Dword) {
                    const int32_t n = store.ReadDword(row.name).value_or(row.numberDefault);
                    s.*f = ColorToText(static_cast<uint32_t>(n));
                } else {
                    std::wstring def = row.defaultIsCurrent ? s.*f : std::wstring(row.textDefault);
                    s.*f = store.ReadString(row.name).value_or(std::move(def));
                }
            },
            [&](int index) {
                s.NoticeString[static_cast<size_t>(index)] =
                    store.ReadString(row.name).value_or(std::wstring(row.textDefault));
            },
        },
        row.field);
}

bool StoreRow(ValueStore& store, const SettingRow& row, const Settings& s) {
    return std::visit(
        Overload{
            [&](bool S::*f) { return store.WriteDword(row.name, s.*f ? 1 : 0); },
            [&](int32_t S::*f) { return store.WriteDword(row.name, s.*f); },
            [&](std::wstring S::*f) {
                return row.type == ValueType::Dword
                           ? store.WriteDword(row.name, static_cast<int32_t>(ColorFromText(s.*f)))
                           : store.WriteString(row.name, s.*f);
            },
            [&](int index) {
                return store.WriteString(row.name, s.NoticeString[static_cast<size_t>(index)]);
            },
        },
        row.field);
}

}  // namespace

std::span<const SettingRow> SettingsTable() {
    return kTable;
}

StartupValues LoadSettings(ValueStore& store, Settings& settings) {
    for (const auto& row : kTable) LoadRow(store, row, settings);

    StartupValues out;
    const int32_t top = store.ReadDword(kWindowTopName).value_or(kUnsetWindowPos);
    const int32_t left = store.ReadDword(kWindowLeftName).value_or(kUnsetWindowPos);
    if (settings.WindowPos && top != kUnsetWindowPos && left != kUnsetWindowPos) {
        out.windowTop = top;
        out.windowLeft = left;
    }
    out.insertString = store.ReadString(kInsertStringName).value_or(L"");
    return out;
}

bool SetRegistry(ValueStore& store, const Settings& settings) {
    // Each write stands alone: one failure does not keep the others from being written.
    bool all = true;
    for (const auto& row : kTable) all = StoreRow(store, row, settings) && all;
    return all;
}

bool SaveExitSettings(ValueStore& store, const Settings& settings, int32_t topTwips,
                      int32_t leftTwips, std::wstring_view insertText) {
    bool all = true;
    if (settings.WindowPos) {
        all = store.WriteDword(kWindowTopName, topTwips) && all;
        all = store.WriteDword(kWindowLeftName, leftTwips) && all;
    }
    if (settings.InsertText) all = store.WriteString(kInsertStringName, insertText) && all;
    return all;
}

int32_t EffectiveReadInterval(int32_t stored) {
    return stored >= 1 && stored <= kMaxReadInterval ? stored : kDefaultReadInterval;
}

uint32_t ColorFromText(std::wstring_view text, uint32_t fallback) {
    std::string ascii;
    for (wchar_t c : text) {
        if (c > 0x7f) return fallback;
        ascii.push_back(static_cast<char>(c));
    }
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec != std::errc() || end != ascii.data() + ascii.size() || ascii.empty()) return fallback;
    return static_cast<uint32_t>(value);
}

std::wstring ColorToText(uint32_t color) {
    // Stored DWORDs are signed in the registry layer; colours are never negative.
    return std::to_wstring(static_cast<int64_t>(static_cast<int32_t>(color)));
}

}  // namespace zr
