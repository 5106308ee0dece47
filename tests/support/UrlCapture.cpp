#include "UrlCapture.h"

#include "Files.h"

#include <gtest/gtest.h>

namespace kesh_test {

UrlCapture::UrlCapture() : m_captured(::CreateEventW(nullptr, FALSE, FALSE, L"KeshTest_UrlCaptured"))
{
    wchar_t path[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"KESH_URL_LOG", path, MAX_PATH);
    m_logPath = path;
    EXPECT_FALSE(m_logPath.empty()) << "KESH_URL_LOG is not set: the prefix was not prepared";
    ::DeleteFileW(m_logPath.c_str());
    ::SetEnvironmentVariableW(L"KESH_URL_MARKER", L"1");
}

UrlCapture::~UrlCapture()
{
    ::SetEnvironmentVariableW(L"KESH_URL_MARKER", nullptr);
}

bool UrlCapture::WaitForCapture(DWORD timeoutMs) const
{
    return ::WaitForSingleObject(m_captured.get(), timeoutMs) == WAIT_OBJECT_0;
}

std::vector<UrlCapture::Entry> UrlCapture::Entries() const
{
    std::vector<Entry> entries;
    for (const std::wstring& line : SplitLines(ReadUtf16File(m_logPath))) {
        const size_t tab = line.rfind(L'\t');
        entries.push_back(tab == std::wstring::npos ? Entry{ line, L"" }
                                                    : Entry{ line.substr(0, tab), line.substr(tab + 1) });
    }
    return entries;
}

}  // namespace kesh_test
