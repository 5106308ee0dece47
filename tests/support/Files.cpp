#include "Files.h"

#include "win32/ScopedHandle.h"

namespace kesh_test {

std::wstring ExeDirectory()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring BinPath(const std::wstring& name)
{
    // The test programs live in bin\tests, apart from the product and its ToastHost.dll, so that a
    // test decides for itself which toast library (if any) stands beside the program it runs.
    const std::wstring tests = ExeDirectory();
    return tests.substr(0, tests.find_last_of(L'\\')) + L"\\" + name;
}

std::wstring TempDirectory(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"kesh_" + name + L"_" + std::to_wstring(::GetCurrentProcessId());
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ::DeleteFileW((dir + L"\\" + found.cFileName).c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to)
{
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::wstring ReadUtf16File(const std::wstring& path)
{
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::wstring();
    const ScopedHandle file(opened);
    std::wstring text;
    wchar_t buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read / sizeof(wchar_t));
    }
    return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace kesh_test
