#include "ToastDoubles.h"

#include "Files.h"

#include <gtest/gtest.h>

namespace kesh_test {

ToastDouble::ToastDouble(const std::wstring& variant, const std::wstring& folder)
    : m_dllPath(folder + L"\\ToastHost.dll")
{
    EXPECT_TRUE(CopyFileTo(BinPath(L"toast\\" + variant + L"\\ToastHost.dll"), m_dllPath));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_logPath = std::wstring(temp) + L"kesh_toast_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    ::DeleteFileW(m_logPath.c_str());
    ::SetEnvironmentVariableW(L"KESH_TOAST_LOG", m_logPath.c_str());
}

ToastDouble::~ToastDouble()
{
    ::DeleteFileW(m_dllPath.c_str());
    ::DeleteFileW(m_logPath.c_str());
    ::SetEnvironmentVariableW(L"KESH_TOAST_LOG", nullptr);
}

std::vector<std::wstring> ToastDouble::Calls() const
{
    return SplitLines(ReadUtf16File(m_logPath));
}

}  // namespace kesh_test
