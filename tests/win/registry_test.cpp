#include <gtest/gtest.h>

#include "harness.h"
#include "settings/registry_win.h"

namespace zr::test {
namespace {

class Registry : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
};

TEST_F(Registry, TextOfAnyLengthReadsBackWhole) {
    RegistryStore store;
    for (size_t length : {0u, 255u, 256u, 1000u, 70000u}) {
        std::wstring text(length, L'あ');
        if (length) text[0] = L'C';
        ASSERT_TRUE(store.WriteString(L"Insert String", text));
        EXPECT_EQ(store.ReadString(L"Insert String").value_or(L"<missing>"), text) << length;
    }
}

TEST_F(Registry, WriteCreatesTheKeyAndDwordsKeepTheirSign) {
    RegistryStore store;
    EXPECT_FALSE(store.ReadDword(L"Window Top").has_value());
    ASSERT_TRUE(store.WriteDword(L"Window Top", -50));
    EXPECT_EQ(store.ReadDword(L"Window Top"), -50);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kConfigKey, L"Window Top", 7), -50);
}

TEST_F(Registry, ValueOfAnotherTypeReadsAsMissing) {
    WriteString(L"Read Interval", L"250");
    WriteDword(L"Font Name", 3);
    RegistryStore store;
    EXPECT_FALSE(store.ReadDword(L"Read Interval").has_value());
    EXPECT_FALSE(store.ReadString(L"Font Name").has_value());
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kConfigKey, L"Font Name", std::wstring(L"def")),
              L"def");
}

TEST_F(Registry, TextWrittenInTheCodePageReadsBackTheSame) {
    // Older versions of the program wrote their texts with the ANSI functions.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\DIVAZU\\DORU\\Config", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char sjis[] = "\x83\x65\x83\x58\x83\x67";  // テスト in code page 932
    RegSetValueExA(key, "Notice String1", 0, REG_SZ, reinterpret_cast<const BYTE*>(sjis),
                   sizeof(sjis));
    RegCloseKey(key);
    ASSERT_EQ(GetACP(), 932u) << "the tests run in the Japanese locale";
    RegistryStore store;
    EXPECT_EQ(store.ReadString(L"Notice String1"), L"テスト");
}

}  // namespace
}  // namespace zr::test
