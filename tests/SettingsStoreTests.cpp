// The shared registry key, read and written for real in the prefix's registry.

#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

std::vector<BYTE> Utf16Bytes(const std::wstring& text, bool withTerminator)
{
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text.c_str()),
                            reinterpret_cast<const BYTE*>(text.c_str() + text.size()));
    if (withTerminator) bytes.insert(bytes.end(), { 0, 0 });
    return bytes;
}

struct ReadCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    std::wstring expected;
};

std::vector<ReadCase> ReadCases()
{
    const std::wstring c255(255, L'a');
    const std::wstring c256(256, L'a');
    std::vector<BYTE> odd = Utf16Bytes(L"http://x", true);
    odd.push_back('y');
    return {
        { "plain address", REG_SZ, Utf16Bytes(L"https://example.com/update?id=7", true),
          L"https://example.com/update?id=7" },
        { "expand string kept unexpanded", REG_EXPAND_SZ, Utf16Bytes(L"%SystemRoot%\\x %PATH%", true),
          L"%SystemRoot%\\x %PATH%" },
        { "dword", REG_DWORD, { 1, 0, 0, 0 }, L"" },
        { "binary holding a string", REG_BINARY, Utf16Bytes(L"http://x", true), L"" },
        { "multi string", REG_MULTI_SZ, Utf16Bytes(std::wstring(L"http://x\0", 9), true), L"" },
        { "255 characters read whole", REG_SZ, Utf16Bytes(c255, true), c255 },
        { "256 characters read as empty", REG_SZ, Utf16Bytes(c256, true), L"" },
        { "600 characters read as empty", REG_SZ, Utf16Bytes(std::wstring(600, L'b'), true), L"" },
        { "256 characters without terminator", REG_SZ, Utf16Bytes(c256, false), L"" },
        { "short value without terminator", REG_SZ, Utf16Bytes(L"http://x", false), L"" },
        { "odd size", REG_SZ, odd, L"" },
        { "zero size", REG_SZ, {}, L"" },
        { "only a terminator", REG_SZ, { 0, 0 }, L"" },
        { "embedded terminator ends the string", REG_SZ, Utf16Bytes(std::wstring(L"http://a \0http://b", 18), true),
          L"http://a" },
        { "only white space", REG_SZ, Utf16Bytes(L" \t\r\n\v\f ", true), L"" },
        { "white space trimmed at both ends only", REG_SZ, Utf16Bytes(L"\r\n\t http://a b \v\f", true),
          L"http://a b" },
        { "255 characters of which some are blanks", REG_SZ, Utf16Bytes(L"  " + std::wstring(253, L'c'), true),
          std::wstring(253, L'c') },
    };
}

}  // namespace

TEST(SettingsStore, ReadsEachValueShapeByTheRules)
{
    SettingsKeyGuard key;
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.name);
        SetSettingRaw(kServerResponseValueName, c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        EXPECT_EQ(c.expected, std::wstring(ReadUpdateSetting(kServerResponseValueName)));
    }
}

TEST(SettingsStore, TrimsExactlyTheWideSpaceClassOfTheCLibrary)
{
    SettingsKeyGuard key;
    // The six ASCII white-space characters must go whatever else the class holds.
    for (wchar_t c : { L' ', L'\t', L'\n', L'\v', L'\f', L'\r' }) ASSERT_TRUE(std::iswspace(c));
    const wchar_t candidates[] = { 0x0085, 0x00A0, 0x1680, 0x2000, 0x2007, 0x200A, 0x200B,
                                   0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0xFEFF, L'x' };
    for (wchar_t c : candidates) {
        SCOPED_TRACE(static_cast<int>(c));
        const std::wstring padded = std::wstring(1, c) + L"http://y" + std::wstring(1, c);
        SetSettingString(kServerResponseValueName, padded);
        const std::wstring expected = std::iswspace(c) ? L"http://y" : padded;
        EXPECT_EQ(expected, std::wstring(ReadUpdateSetting(kServerResponseValueName)));
    }
}

TEST(SettingsStore, MissingKeyOrValueReadsEmpty)
{
    SettingsKeyGuard key;
    EXPECT_TRUE(ReadUpdateSetting(kServerResponseValueName).IsEmpty());
    EXPECT_TRUE(ReadUpdateSetting(kLastShownResponseValueName).IsEmpty());
    SetSettingString(kServerResponseValueName, L"http://x");
    EXPECT_TRUE(ReadUpdateSetting(kLastShownResponseValueName).IsEmpty());
}

TEST(SettingsStore, WriteCreatesTheKeyAndStoresTextWithTerminator)
{
    SettingsKeyGuard key;
    const std::wstring text = L"https://example.com/p?q=1 \u00e9";
    ASSERT_TRUE(WriteLastShownResponse(text.c_str()));

    ScopedRegKey opened;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, KEY_READ, opened.receive()));
    DWORD type = 0;
    BYTE data[1024] = {};
    DWORD bytes = sizeof(data);
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(opened.get(), kLastShownResponseValueName, nullptr, &type, data, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ((text.size() + 1) * sizeof(wchar_t), bytes);
    EXPECT_EQ(text, std::wstring(reinterpret_cast<const wchar_t*>(data)));
    EXPECT_EQ(text, std::wstring(ReadUpdateSetting(kLastShownResponseValueName)));
}

TEST(SettingsStore, WriteOfEmptyTextStoresOnlyTheTerminatorAndReplacesTheOldValue)
{
    SettingsKeyGuard key;
    SetSettingString(kLastShownResponseValueName, L"http://old");
    ASSERT_TRUE(WriteLastShownResponse(L""));
    std::wstring stored = L"unset";
    ASSERT_TRUE(GetSettingString(kLastShownResponseValueName, stored));
    EXPECT_EQ(L"", stored);
}
