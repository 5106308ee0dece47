// What the headers of the built product binaries declare to Windows.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <cctype>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The DLLs the image imports by its import directory, in lower case.
std::vector<std::string> ImportedDlls(const std::string& image, const IMAGE_NT_HEADERS64& nt)
{
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const BYTE*>(&nt.OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            if (rva >= sections[i].VirtualAddress && rva < sections[i].VirtualAddress + sections[i].Misc.VirtualSize) {
                return rva - sections[i].VirtualAddress + sections[i].PointerToRawData;
            }
        }
        return 0;
    };
    std::vector<std::string> dlls;
    const DWORD directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t at = offsetOf(directory); at && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= image.size();
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + at);
        if (!descriptor->Name) break;
        std::string name = image.c_str() + offsetOf(descriptor->Name);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        dlls.push_back(name);
    }
    return dlls;
}

}  // namespace

TEST(BinaryHeaders, ProductBinariesDeclareWindowsSixAslrDepTheirStackProtectorAndSystemImportsOnly)
{
    const struct {
        const wchar_t* name;
        bool executable;
    } binaries[] = { { L"KeshUI.exe", true }, { L"ToastHost.dll", false }, { L"ToastHost.exe", true } };
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
        // Only DLLs that every Windows the product runs on has, none of them travelling with it.
        const std::vector<std::string> imports = ImportedDlls(image, *nt);
        EXPECT_FALSE(imports.empty());
        for (const std::string& dll : imports) {
            EXPECT_TRUE(dll == "kernel32.dll" || dll == "user32.dll" || dll == "gdi32.dll" || dll == "advapi32.dll" ||
                        dll == "shell32.dll" || dll == "ole32.dll" || dll == "msvcrt.dll")
                << dll;
        }
    }
}
