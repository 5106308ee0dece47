#include "ToastPlatform.h"

#include "Files.h"
#include "product/ProductIdentity.h"
#include "win32/ScopedHandle.h"

#include <gtest/gtest.h>

namespace kesh_test {

namespace {
constexpr wchar_t kActivatableClasses[] = L"Software\\Microsoft\\WindowsRuntime\\ActivatableClassId\\";
constexpr wchar_t kStandInSettings[] = L"Software\\KeshTest\\ToastStandIn";
const wchar_t* const kStandInClasses[] = { L"Windows.UI.Notifications.ToastNotificationManager",
                                           L"Windows.UI.Notifications.ToastNotification",
                                           L"Windows.Data.Xml.Dom.XmlDocument" };
}  // namespace

ToastPlatformStandIn::ToastPlatformStandIn()
{
    const std::wstring dll = BinPath(L"ToastRuntimeStandIn.dll");
    for (const wchar_t* name : kStandInClasses) {
        ScopedRegKey key;
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kActivatableClasses) + name).c_str(),
                                                   0, nullptr, 0, KEY_WRITE, nullptr, key.receive(), nullptr));
        const DWORD inProcess = 0;
        ::RegSetValueExW(key.get(), L"DllPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                         static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
        ::RegSetValueExW(key.get(), L"ActivationType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&inProcess),
                         sizeof(inProcess));
    }
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_log = std::wstring(temp) + L"kesh_standin_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    ClearLog();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kStandInSettings);
    Set(L"Log", m_log);
}

ToastPlatformStandIn::~ToastPlatformStandIn()
{
    for (const wchar_t* name : kStandInClasses) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kActivatableClasses) + name).c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kActivatableClasses) + name).c_str());
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kStandInSettings);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kStandInSettings);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\AppUserModelId\\") + kAppUserModelId).c_str());
    ::DeleteFileW(m_log.c_str());
}

void ToastPlatformStandIn::Set(const wchar_t* name, const std::wstring& value) const
{
    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kStandInSettings, 0, nullptr, 0, KEY_WRITE, nullptr,
                                               key.receive(), nullptr));
    if (value.empty()) {
        ::RegDeleteValueW(key.get(), name);
        return;
    }
    ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> ToastPlatformStandIn::Calls() const
{
    return SplitLines(ReadUtf16File(m_log));
}

std::wstring ToastPlatformStandIn::Call(const std::wstring& prefix) const
{
    for (const std::wstring& call : Calls()) {
        if (call.compare(0, prefix.size(), prefix) == 0) return call;
    }
    return std::wstring();
}

int ToastPlatformStandIn::Count(const std::wstring& prefix) const
{
    int count = 0;
    for (const std::wstring& call : Calls()) count += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return count;
}

void ToastPlatformStandIn::ClearLog() const
{
    ::DeleteFileW(m_log.c_str());
}

}  // namespace kesh_test
