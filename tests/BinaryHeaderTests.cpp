// What the headers of the built product binaries declare to Windows.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using namespace kesh_test;

namespace {

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(BinaryHeaders, ProductBinariesDeclareWindowsSixAslrDepAndTheirStackProtector)
{
    const struct {
        const wchar_t* name;
        bool executable;
    } binaries[] = { { L"KeshUI.exe", true }, { L"ToastHost.dll", false } };
    for (const auto& b : binaries) {
        SCOPED_TRACE(std::string(b.name, b.name + wcslen(b.name)));
        const std::string image = ReadFileBytes(BinPath(b.name));
        ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
        ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
        ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, nt->FileHeader.Machine);
        EXPECT_EQ(0u, nt->FileHeader.TimeDateStamp) << "a link time stamp makes builds differ";
        const IMAGE_OPTIONAL_HEADER64& optional = nt->OptionalHeader;
        EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, optional.Subsystem);
        EXPECT_EQ(6, optional.MajorSubsystemVersion);
        EXPECT_EQ(0, optional.MinorSubsystemVersion);
        EXPECT_EQ(6, optional.MajorOperatingSystemVersion);
        const WORD flags = optional.DllCharacteristics;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "ASLR";
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << "high-entropy ASLR";
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "DEP";
        EXPECT_EQ(b.executable, (flags & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) != 0)
            << "terminal-server aware (an executable's flag)";
        // The protector's failure report is linked in only when protected code calls it.
        EXPECT_NE(std::string::npos, image.find("stack smashing detected")) << "no stack protector";
    }
}
