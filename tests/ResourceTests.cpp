// The resources of the built KeshUI.exe itself, read back through the platform: the dialog
// template's bytes, the icon directory, the close-mark bitmap, the manifest and the version block.

#include "support/TestSupport.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

constexpr WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);      // 1033
constexpr WORD kEnglishCanada = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_CAN);  // 4105

class ProgramResources : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_module = ::LoadLibraryExW(BinPath(kProgramFileName).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() { ::FreeLibrary(s_module); }

    // The bytes of one resource in one language; empty when it does not exist.
    static std::vector<BYTE> Resource(LPCWSTR type, LPCWSTR name, WORD language)
    {
        const HRSRC found = ::FindResourceExW(s_module, type, name, language);
        if (!found) return {};
        const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(s_module, found)));
        return std::vector<BYTE>(data, data + ::SizeofResource(s_module, found));
    }

    static HMODULE s_module;
};
HMODULE ProgramResources::s_module = nullptr;

// Reads a DLGTEMPLATEEX the way the dialog manager does.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& data) : m_data(data) {}
    WORD Word() { return Read<WORD>(); }
    DWORD Dword() { return Read<DWORD>(); }
    short Short() { return Read<short>(); }
    // A string, or "#n" for an ordinal (0xFFFF n), or "" for none.
    std::wstring SzOrOrdinal()
    {
        const WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring text;
        for (WORD c = first; c != 0; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignDword() { m_offset = (m_offset + 3) & ~size_t(3); }
    bool AtEnd() const { return m_offset >= m_data.size(); }

private:
    template <typename T>
    T Read()
    {
        T value{};
        if (m_offset + sizeof(T) <= m_data.size()) std::memcpy(&value, &m_data[m_offset], sizeof(T));
        m_offset += sizeof(T);
        return value;
    }
    const std::vector<BYTE>& m_data;
    size_t m_offset = 0;
};

}  // namespace

TEST_F(ProgramResources, DialogTemplateHoldsTheDesignedValues)
{
    ASSERT_NE(nullptr, s_module);
    const std::vector<BYTE> data = Resource(RT_DIALOG, MAKEINTRESOURCEW(IDD_UPDATE_DIALOG), kEnglishUS);
    ASSERT_FALSE(data.empty());
    TemplateReader t(data);
    EXPECT_EQ(1, t.Word());       // dlgVer
    EXPECT_EQ(0xFFFF, t.Word());  // signature: extended template
    EXPECT_EQ(0u, t.Dword());     // helpID
    EXPECT_EQ(0x00040008u, t.Dword());
    EXPECT_EQ(0x90800840u, t.Dword());
    EXPECT_EQ(4, t.Word());
    EXPECT_EQ(0, t.Short());
    EXPECT_EQ(0, t.Short());
    EXPECT_EQ(184, t.Short());
    EXPECT_EQ(49, t.Short());
    EXPECT_EQ(L"", t.SzOrOrdinal());  // menu
    EXPECT_EQ(L"", t.SzOrOrdinal());  // window class: the platform's dialog class
    EXPECT_EQ(L"", t.SzOrOrdinal());  // caption
    EXPECT_EQ(11, t.Word());          // points
    EXPECT_EQ(400, t.Word());         // weight
    EXPECT_EQ(0, t.Word() & 0xFF);    // italic (low byte), character set (high byte) 0
    EXPECT_EQ(L"Verdana", t.SzOrOrdinal());

    const struct {
        DWORD exStyle, style;
        short x, y, cx, cy;
        DWORD id;
        std::wstring text;
    } items[] = {
        { 0x20, 0x50000003, 4, 4, 20, 20, 0xFFFFFFFF, L"#128" },
        { 0, 0x50020200, 24, 4, 131, 15, IDC_TITLE, kWindowTitle },
        { 0, 0x50020101, 4, 24, 176, 18, IDC_STATUS, L"[ Status line 1 ]\r\n[ Status line 2 ]" },
        { 0, 0x5000010E, 166, 4, 14, 14, IDC_CLOSE, L"#137" },
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.id);
        t.AlignDword();
        EXPECT_EQ(0u, t.Dword());  // helpID
        EXPECT_EQ(item.exStyle, t.Dword());
        EXPECT_EQ(item.style, t.Dword());
        EXPECT_EQ(item.x, t.Short());
        EXPECT_EQ(item.y, t.Short());
        EXPECT_EQ(item.cx, t.Short());
        EXPECT_EQ(item.cy, t.Short());
        EXPECT_EQ(item.id, t.Dword());
        EXPECT_EQ(L"#130", t.SzOrOrdinal()) << "static control class as ordinal 0x0082";
        EXPECT_EQ(item.text, t.SzOrOrdinal());
        EXPECT_EQ(0, t.Word());  // no creation data
    }
    t.AlignDword();
    EXPECT_TRUE(t.AtEnd());
}

TEST_F(ProgramResources, IconGroupHoldsThirteenImagesInDirectoryOrder)
{
    ASSERT_NE(nullptr, s_module);
    const std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME), kEnglishCanada);
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(&group[4]);
    ASSERT_EQ(13, count);
    ASSERT_EQ(6u + 14u * count, group.size());

    const struct {
        int size, bits;
    } expected[] = { { 48, 4 }, { 32, 4 }, { 24, 4 }, { 16, 4 }, { 48, 8 }, { 32, 8 }, { 24, 8 },
                     { 16, 8 }, { 256, 32 }, { 48, 32 }, { 32, 32 }, { 24, 32 }, { 16, 32 } };
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i + 1);
        const BYTE* entry = &group[6 + 14 * i];
        const int width = entry[0] ? entry[0] : 256;
        const int height = entry[1] ? entry[1] : 256;
        const WORD bitCount = *reinterpret_cast<const WORD*>(entry + 6);
        const WORD id = *reinterpret_cast<const WORD*>(entry + 12);
        EXPECT_EQ(expected[i].size, width);
        EXPECT_EQ(expected[i].size, height);
        EXPECT_EQ(expected[i].bits, bitCount);
        EXPECT_EQ(expected[i].bits == 4 ? 16 : 0, entry[2]) << "colour count";
        EXPECT_EQ(i + 1, id);

        const std::vector<BYTE> image = Resource(RT_ICON, MAKEINTRESOURCEW(id), kEnglishCanada);
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(*reinterpret_cast<const DWORD*>(entry + 8), image.size());
        if (expected[i].size == 256) {
            const BYTE signature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
            ASSERT_EQ(0, std::memcmp(signature, image.data(), 8)) << "the 256 image is a PNG";
            auto bigEndian = [&](size_t at) {
                return (DWORD(image[at]) << 24) | (DWORD(image[at + 1]) << 16) | (DWORD(image[at + 2]) << 8) | image[at + 3];
            };
            EXPECT_EQ(256u, bigEndian(16));
            EXPECT_EQ(256u, bigEndian(20));
            EXPECT_EQ(8, image[24]) << "bits per channel";
            EXPECT_EQ(6, image[25]) << "colour type RGBA";
        } else {
            const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
            EXPECT_EQ(expected[i].size, header->biWidth);
            EXPECT_EQ(2 * expected[i].size, header->biHeight);
            EXPECT_EQ(expected[i].bits, header->biBitCount);
        }
    }
    // The platform picks a usable image from the group at each standard size.
    for (int size : { 16, 32, 48 }) {
        const HICON icon = static_cast<HICON>(::LoadImageW(s_module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, icon) << size;
        if (icon) ::DestroyIcon(icon);
    }
}

TEST_F(ProgramResources, CloseMarkIsAWhiteSquareWithTheDarkCrossWhereDesigned)
{
    ASSERT_NE(nullptr, s_module);
    const std::vector<BYTE> bitmap = Resource(RT_BITMAP, MAKEINTRESOURCEW(IDB_CLOSE), kEnglishCanada);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bitmap.data());
    EXPECT_EQ(32, header->biWidth);
    EXPECT_EQ(32, header->biHeight);  // bottom-up
    EXPECT_EQ(24, header->biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
    EXPECT_EQ(0u, header->biClrUsed);
    ASSERT_EQ(header->biSize + 32u * 32u * 3u, bitmap.size());

    const BYTE* pixels = bitmap.data() + header->biSize;
    int left = 32, right = -1, top = 32, bottom = -1;
    int darkest = 3 * 255 + 1;
    COLORREF darkestColour = 0;
    for (int row = 0; row < 32; ++row) {
        for (int column = 0; column < 32; ++column) {
            const BYTE* bgr = pixels + ((31 - row) * 32 + column) * 3;
            if (bgr[0] == 255 && bgr[1] == 255 && bgr[2] == 255) continue;
            left = std::min(left, column);
            right = std::max(right, column);
            top = std::min(top, row);
            bottom = std::max(bottom, row);
            if (bgr[0] + bgr[1] + bgr[2] < darkest) {
                darkest = bgr[0] + bgr[1] + bgr[2];
                darkestColour = RGB(bgr[2], bgr[1], bgr[0]);
            }
            EXPECT_LE(bgr[2], bgr[0]) << "grey to slate: never redder than blue";
        }
    }
    EXPECT_EQ(11, left);
    EXPECT_EQ(26, right);
    EXPECT_EQ(5, top);
    EXPECT_EQ(20, bottom);
    EXPECT_EQ(RGB(16, 28, 39), darkestColour);
}

TEST_F(ProgramResources, ManifestAsksForCommonControlsSixAsInvokerAndDpiAwareness)
{
    ASSERT_NE(nullptr, s_module);
    const std::vector<BYTE> bytes = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), kEnglishUS);
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* expected :
         { "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"", "processorArchitecture=\"amd64\"",
           "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"", "level=\"asInvoker\"", "uiAccess=\"false\"",
           ">true</dpiAware>" }) {
        EXPECT_NE(std::string::npos, manifest.find(expected)) << expected;
    }
}

TEST(Manifest, ProgramsWithItLoadCommonControlsFromTheVersionSixAssembly)
{
    // The test program carries the same manifest as KeshUI.exe. (Wine's copy of the version 6
    // assembly reports 5.81 from DllGetVersion, so the version number proves nothing there.)
    ACTCTX_SECTION_KEYED_DATA redirection = {};
    redirection.cbSize = sizeof(redirection);
    ASSERT_TRUE(::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                           &redirection))
        << "the process's activation context does not redirect comctl32";
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    ASSERT_TRUE(::InitCommonControlsEx(&controls));
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(::GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH), 0u);
    ::CharLowerW(path);
    EXPECT_NE(nullptr, wcsstr(path, L"microsoft.windows.common-controls_6595b64144ccf1df_6.0.")) << path;
}

TEST(VersionBlock, EveryFieldReadsBackThroughTheVersionApi)
{
    const std::wstring path = BinPath(kProgramFileName);
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(3, 1503), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(3, 1503), fixed->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS_NT_WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);

    const struct {
        LPCWSTR name, value;
    } strings[] = {
        { L"CompanyName", L"Brenlo, Inc." },   { L"FileVersion", L"1.0.1503.3" },
        { L"InternalName", kProgramFileName },    { L"OriginalFilename", kProgramFileName },
        { L"ProductName", L"KESH" },           { L"ProductVersion", L"1.0.1503.3" },
    };
    for (const auto& s : strings) {
        LPWSTR value = nullptr;
        ASSERT_TRUE(::VerQueryValueW(block.data(), (std::wstring(L"\\StringFileInfo\\040904b0\\") + s.name).c_str(),
                                     reinterpret_cast<void**>(&value), &length)) << s.name;
        EXPECT_STREQ(s.value, value) << s.name;
    }
    LPWSTR description = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\FileDescription", reinterpret_cast<void**>(&description), &length));
    EXPECT_GT(lstrlenW(description), 10);
    EXPECT_EQ(nullptr, wcschr(description, L'\n')) << "one line";
}
