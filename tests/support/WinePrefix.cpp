#include "WinePrefix.h"

namespace kesh_test {

namespace {

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

std::wstring StringValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    wchar_t value[64] = {};
    DWORD bytes = sizeof(value);
    return ::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &bytes) == ERROR_SUCCESS ? value : L"";
}

void SetStringValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& value)
{
    if (value.empty()) {
        ::RegDeleteKeyValueW(root, key, name);
    } else {
        ::RegSetKeyValueW(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
}

}  // namespace

ReportedWindowsVersion::ReportedWindowsVersion(const wchar_t* program, const wchar_t* version)
{
    if (program) {
        m_key = std::wstring(L"Software\\Wine\\AppDefaults\\") + program;
        SetStringValue(HKEY_CURRENT_USER, m_key.c_str(), L"Version", version);
        return;
    }
    const std::wstring number(version);
    const size_t build = number.find_last_of(L'.');
    m_default = StringValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
    m_number = StringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentVersion");
    m_build = StringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber");
    SetStringValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", L"");
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentVersion", number.substr(0, build));
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber", number.substr(build + 1));
}

ReportedWindowsVersion::~ReportedWindowsVersion()
{
    if (!m_key.empty()) {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str());
        return;
    }
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentVersion", m_number);
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber", m_build);
    SetStringValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", m_default);
}

}  // namespace kesh_test
