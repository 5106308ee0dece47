// What the headers and import tables of the built product binaries declare to Windows.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct Import {
    std::string dll;  // lower case
    std::string function;  // "#n" for an import by ordinal
    bool delayed = false;
};

class PeImage {
public:
    explicit PeImage(std::string bytes) : m_bytes(std::move(bytes))
    {
        if (m_bytes.size() < sizeof(IMAGE_DOS_HEADER)) return;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(m_bytes.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
            static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > m_bytes.size()) {
            return;
        }
        m_nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(m_bytes.data() + dos->e_lfanew);
        if (m_nt->Signature != IMAGE_NT_SIGNATURE) m_nt = nullptr;
    }
    const IMAGE_NT_HEADERS64* Nt() const { return m_nt; }
    const std::string& Bytes() const { return m_bytes; }

    // The file offset of `rva`, or 0 where no section holds it.
    size_t OffsetOf(DWORD rva) const
    {
        const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
            reinterpret_cast<const BYTE*>(&m_nt->OptionalHeader) + m_nt->FileHeader.SizeOfOptionalHeader);
        for (WORD i = 0; i < m_nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData &&
                rva - s.VirtualAddress < s.Misc.VirtualSize) {
                return rva - s.VirtualAddress + s.PointerToRawData;
            }
        }
        return 0;
    }
    // The name at `rva` if it is one (letters, digits, '_', '.', '$', '@', '?', '-'), else empty.
    std::string NameAt(DWORD rva) const
    {
        const size_t at = OffsetOf(rva);
        std::string name;
        for (size_t i = at; at && i < m_bytes.size() && m_bytes[i]; ++i) {
            const char c = m_bytes[i];
            if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("_.$@?-", c)) return {};
            name += c;
        }
        return name;
    }
    // The functions a zero-ended array of 64-bit lookup entries names; false if it is not one.
    bool NamesAt(DWORD rva, const std::string& dll, bool delayed, std::vector<Import>& imports) const
    {
        std::vector<Import> found;
        for (size_t at = OffsetOf(rva); at && at + 8 <= m_bytes.size(); at += 8) {
            ULONGLONG entry = 0;
            std::memcpy(&entry, m_bytes.data() + at, 8);
            if (entry == 0) break;
            if (entry & IMAGE_ORDINAL_FLAG64) {
                found.push_back({ dll, "#" + std::to_string(entry & 0xFFFF), delayed });
                continue;
            }
            const std::string name = entry >> 31 ? std::string() : NameAt(static_cast<DWORD>(entry) + 2);
            if (name.empty()) return false;
            found.push_back({ dll, name, delayed });
        }
        if (found.empty()) return false;
        imports.insert(imports.end(), found.begin(), found.end());
        return true;
    }

private:
    std::string m_bytes;
    const IMAGE_NT_HEADERS64* m_nt = nullptr;
};

// Every function the image imports, by its import directory and by delay-load descriptors.
std::vector<Import> Imports(const PeImage& image)
{
    std::vector<Import> imports;
    const std::string& bytes = image.Bytes();
    const DWORD directory = image.Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t at = image.OffsetOf(directory); at && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes.size();
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, bytes.data() + at, sizeof(descriptor));
        if (!descriptor.Name) break;
        const std::string dll = Lower(image.NameAt(descriptor.Name));
        EXPECT_TRUE(image.NamesAt(descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk,
                                  dll, false, imports))
            << dll << ": unreadable lookup table";
    }
    // GNU ld leaves the delay-import directory empty for dlltool's delay libraries, so the
    // descriptors (eight 32-bit fields, attributes 1 for RVAs) are found by their shape: a DLL
    // name, the module handle's and the address table's places, a table of named functions.
    for (size_t at = 0; at + 32 <= bytes.size(); at += 4) {
        DWORD d[8];
        std::memcpy(d, bytes.data() + at, sizeof(d));
        if (d[0] != 1 || !d[1] || !d[2] || !d[3] || !d[4] || d[7] != 0) continue;
        const std::string dll = Lower(image.NameAt(d[1]));
        if (dll.size() < 5 || dll.compare(dll.size() - 4, 4, ".dll") != 0) continue;
        if (!image.OffsetOf(d[2]) || !image.OffsetOf(d[3])) continue;
        image.NamesAt(d[4], dll, true, imports);
    }
    return imports;
}

struct Exported {
    int major = 0;
    int minor = 0;
};

// The checked-in table: DLL, function, the first Windows that exports it from that DLL, source.
std::map<std::string, Exported> ExportTable()
{
    std::map<std::string, Exported> table;
    std::ifstream file(BinPath(L"windows-exports.tsv").c_str());
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string dll, function, version, source;
        char dot = 0;
        Exported exported;
        if (!(fields >> dll >> function >> version >> source) ||
            !(std::istringstream(version) >> exported.major >> dot >> exported.minor) || dot != '.') {
            ADD_FAILURE() << "malformed row: " << line;
            continue;
        }
        table[Lower(dll) + "!" + function] = exported;
    }
    return table;
}

const struct {
    const wchar_t* name;
    bool executable;
    Exported oldestWindows;
} kBinaries[] = { { kProgramFileName, true, { 6, 0 } },
                  { kUserStateHelperFileName, true, { 6, 0 } },
                  { kToastLibraryFileName, false, { 6, 2 } },
                  { kToastHostFileName, true, { 6, 2 } } };

}  // namespace

TEST(BinaryHeaders, ProductBinariesDeclareWindowsSixAslrDepTheirStackProtectorAndSystemImportsOnly)
{
    for (const auto& b : kBinaries) {
        SCOPED_TRACE(std::string(b.name, b.name + wcslen(b.name)));
        const PeImage image(ReadFileBytes(BinPath(b.name)));
        ASSERT_NE(nullptr, image.Nt());
        const IMAGE_NT_HEADERS64* nt = image.Nt();
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, nt->FileHeader.Machine);
        EXPECT_EQ(0u, nt->FileHeader.TimeDateStamp) << "a link time stamp makes builds differ";
        const IMAGE_OPTIONAL_HEADER64& optional = nt->OptionalHeader;
        EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, optional.Subsystem);
        EXPECT_EQ(6, optional.MajorSubsystemVersion);
        EXPECT_EQ(0, optional.MinorSubsystemVersion);
        EXPECT_EQ(6, optional.MajorOperatingSystemVersion);
        EXPECT_EQ(0, optional.MinorOperatingSystemVersion);
        const WORD flags = optional.DllCharacteristics;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "ASLR";
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << "high-entropy ASLR";
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "DEP";
        EXPECT_EQ(b.executable, (flags & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) != 0)
            << "terminal-server aware (an executable's flag)";
        // The protector's failure report is linked in only when protected code calls it.
        EXPECT_NE(std::string::npos, image.Bytes().find("stack smashing detected")) << "no stack protector";
        // Only DLLs that every Windows the product runs on has, none of them travelling with it.
        const std::vector<Import> imports = Imports(image);
        EXPECT_FALSE(imports.empty());
        for (const Import& i : imports) {
            if (i.delayed) continue;
            EXPECT_TRUE(i.dll == "kernel32.dll" || i.dll == "user32.dll" || i.dll == "gdi32.dll" ||
                        i.dll == "advapi32.dll" || i.dll == "shell32.dll" || i.dll == "ole32.dll" ||
                        i.dll == "msvcrt.dll")
                << i.dll;
        }
    }
}

TEST(BinaryHeaders, EveryImportIsExportedByTheOldestWindowsItsBinaryRunsOn)
{
    const std::map<std::string, Exported> table = ExportTable();
    ASSERT_FALSE(table.empty()) << "the table of exports was not found beside the binaries";
    for (const auto& b : kBinaries) {
        SCOPED_TRACE(std::string(b.name, b.name + wcslen(b.name)));
        const PeImage image(ReadFileBytes(BinPath(b.name)));
        ASSERT_NE(nullptr, image.Nt());
        const std::vector<Import> imports = Imports(image);
        size_t delayed = 0;
        for (const Import& i : imports) {
            delayed += i.delayed ? 1 : 0;
            const std::string name = i.dll + "!" + i.function + (i.delayed ? " (delayed)" : "");
            const auto row = table.find(i.dll + "!" + i.function);
            if (row == table.end()) {
                ADD_FAILURE() << name << " is not in the table of exports";
            } else if (row->second.major > b.oldestWindows.major ||
                       (row->second.major == b.oldestWindows.major && row->second.minor > b.oldestWindows.minor)) {
                ADD_FAILURE() << name << " is exported only from Windows " << row->second.major << "."
                              << row->second.minor;
            }
        }
        // The program loads most system DLLs on first use: finding none of them means the search missed them.
        if (std::wstring(b.name) == kProgramFileName) {
            EXPECT_GE(delayed, 10u) << "delayed imports not found";
        }
    }
}
