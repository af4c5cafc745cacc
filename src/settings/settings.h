// The program-wide settings record, its value table, and the load and save rules over a
// small value store (the registry on Windows, a map in tests).
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace zr {

inline constexpr wchar_t kConfigKey[] = L"Software\\DIVAZU\\DORU\\Config";
inline constexpr int32_t kUnsetWindowPos = -50;
inline constexpr int32_t kDefaultReadInterval = 1000;
inline constexpr int32_t kMaxReadInterval = 99999;
// The defaults of the font and colours, which the display has before any settings reach it.
inline constexpr wchar_t kDefaultFontName[] = L"ＭＳ Ｐゴシック";
inline constexpr int32_t kDefaultFontSize = 9;
inline constexpr uint32_t kDefaultForeColor = 0;
inline constexpr uint32_t kDefaultBackColor = 0xFFFFFF;

// The values the key holds beside the table's rows: what the main window keeps at exit, and
// the bookmark list, a count and entries numbered from 1 ("Book Mark List1").
inline constexpr wchar_t kWindowTopName[] = L"Window Top";
inline constexpr wchar_t kWindowLeftName[] = L"Window Left";
inline constexpr wchar_t kInsertStringName[] = L"Insert String";
inline constexpr wchar_t kBookmarkCountName[] = L"Book Mark Count";
inline constexpr wchar_t kBookmarkValuePrefix[] = L"Book Mark List";

struct Settings {
    bool LoadWindowSize = false;
    bool LoadRightScroll = false;
    bool LoadWindowProc = false;
    bool LoadFileSearch = false;
    bool LoadBookMark = false;
    bool InsertText = false;
    bool WindowPos = false;
    int32_t ReadInterval = 0;
    std::wstring BackColor;  // decimal text of a COLORREF
    std::wstring ForeColor;
    std::wstring FontName;
    int32_t FontSize = 0;
    bool Bold = false;
    bool Italic = false;
    bool Notice = false;
    bool Blink = false;
    bool NoticeWindowPos = false;
    bool PlayWave = false;
    std::wstring WaveFilePath;
    std::array<std::wstring, 3> NoticeString;
};

// The two value kinds the key holds.
class ValueStore {
  public:
    virtual ~ValueStore() = default;
    // Nothing when the value is missing, unreadable or of another type.
    virtual std::optional<int32_t> ReadDword(std::wstring_view name) = 0;
    virtual std::optional<std::wstring> ReadString(std::wstring_view name) = 0;
    virtual bool WriteDword(std::wstring_view name, int32_t value) = 0;
    virtual bool WriteString(std::wstring_view name, std::wstring_view value) = 0;
    // True when the value is gone, also when it was never there. A store that cannot remove
    // values keeps them; only values nothing reads any more are removed.
    virtual bool Remove(std::wstring_view) { return false; }
};

enum class ValueType { Sz = 1, Dword = 4 };

// One row of the value table. A DWORD row with a text field holds a colour as decimal text.
struct SettingRow {
    std::wstring_view name;
    ValueType type;
    std::variant<bool Settings::*, int32_t Settings::*, std::wstring Settings::*, int> field;
    int32_t numberDefault;
    std::wstring_view textDefault;
    bool defaultIsCurrent;  // the field's content before loading is its default
};

// Every dialog-owned value, in the order in which it is loaded and stored.
std::span<const SettingRow> SettingsTable();

// What start-up reads beside the record: the stored window position (twips), when it
// should be applied, and the text to insert.
struct StartupValues {
    std::optional<int32_t> windowTop;
    std::optional<int32_t> windowLeft;
    std::wstring insertString;
};

StartupValues LoadSettings(ValueStore& store, Settings& settings);
// Writes every row of the table (the options dialog's store); true when every write worked.
bool SetRegistry(ValueStore& store, const Settings& settings);
// What the main window keeps at exit; the position is written only when "Window Pos" is on
// and the text only when "Insert Text" is on. True when every write worked.
bool SaveExitSettings(ValueStore& store, const Settings& settings, int32_t topTwips,
                      int32_t leftTwips, std::wstring_view insertText);

// A usable timer period: the stored interval when it is 1 to 99999 ms, else 1000.
int32_t EffectiveReadInterval(int32_t stored);
// Colours are kept as decimal text; text that is not a number reads as `fallback`.
uint32_t ColorFromText(std::wstring_view text, uint32_t fallback = 0);
std::wstring ColorToText(uint32_t color);

}  // namespace zr
