#pragma once
// The toasts' COM activator (Windows 10 and later): the platform creates the class the id's
// registration names (CustomActivator) when the user clicks a toast, and calls Activate. A
// running host registers it; with none, COM starts ToastHost.exe -Embedding for a toast left over.

#include "product/ProductIdentity.h"
#include "win32/ComPtr.h"

#include <windows.h>

#include <functional>
#include <string>

namespace toasthost {


// {53E31837-6600-4A81-9395-75CFFE746F94}
inline constexpr IID kIID_INotificationActivationCallback = { 0x53e31837, 0x6600, 0x4a81, { 0x93, 0x95, 0x75, 0xcf, 0xfe, 0x74, 0x6f, 0x94 } };

struct NOTIFICATION_USER_INPUT_DATA {
    LPCWSTR Key;
    LPCWSTR Value;
};

struct INotificationActivationCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Activate(LPCWSTR appUserModelId, LPCWSTR invokedArgs,
                                               const NOTIFICATION_USER_INPUT_DATA* data, ULONG count) = 0;
};

// Whether this Windows calls a toast activator: 10 and later (8 and 8.1 only raise Activated).
bool ToastActivatorsExist();

// The class object of the activator, registered with COM on the calling thread (an apartment
// whose messages are handled) for as long as the object lives.
class ToastActivator {
public:
    ToastActivator() = default;
    ~ToastActivator() { Revoke(); }
    ToastActivator(const ToastActivator&) = delete;
    ToastActivator& operator=(const ToastActivator&) = delete;

    // `onActivate` runs on this thread with the clicked toast's id; `onReleased`, if given, each
    // time a caller lets go of an activator it made (after its call, or without one).
    bool Register(std::function<void(const std::wstring& appId)> onActivate, std::function<void()> onReleased = nullptr);
    void Revoke();

private:
    ComPtr<IClassFactory> m_factory;
    DWORD m_cookie = 0;
};

}  // namespace toasthost
