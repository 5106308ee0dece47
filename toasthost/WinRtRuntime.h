#pragma once
// The few Windows Runtime entry points the toast channel needs, taken from combase.dll in the
// system folder at run time: the library loads (and runs its balloon) where that DLL or its
// toast classes do not exist, and it never looks for a system DLL along the search path.

#include "toasthost/WinRtDeclarations.h"
#include "win32/ComPtr.h"
#include "win32/ScopedHandle.h"

#include <roapi.h>

namespace toasthost {

class WinRtRuntime {
public:
    WinRtRuntime() = default;
    ~WinRtRuntime();
    WinRtRuntime(const WinRtRuntime&) = delete;
    WinRtRuntime& operator=(const WinRtRuntime&) = delete;

    // Loads combase.dll and initialises the Windows Runtime on the calling thread.
    bool Start();
    // Balances Start on the same thread and unloads the DLL.
    void Stop();
    bool Started() const { return static_cast<bool>(m_module); }

    HRESULT GetActivationFactory(const wchar_t* className, const IID& iid, void** factory) const;
    HRESULT ActivateInstance(const wchar_t* className, IInspectable** instance) const;

    // A string reference for one call; the text must outlive it.
    class HString {
    public:
        HString(const WinRtRuntime& runtime, const wchar_t* text);
        ~HString();
        HString(const HString&) = delete;
        HString& operator=(const HString&) = delete;
        HSTRING get() const { return m_string; }

    private:
        const WinRtRuntime& m_runtime;
        HSTRING m_string = nullptr;
    };

private:
    using PFN_RoInitialize = HRESULT(WINAPI*)(RO_INIT_TYPE);
    using PFN_RoUninitialize = void(WINAPI*)();
    using PFN_RoGetActivationFactory = HRESULT(WINAPI*)(HSTRING, REFIID, void**);
    using PFN_RoActivateInstance = HRESULT(WINAPI*)(HSTRING, IInspectable**);
    using PFN_WindowsCreateString = HRESULT(WINAPI*)(LPCWSTR, UINT32, HSTRING*);
    using PFN_WindowsDeleteString = HRESULT(WINAPI*)(HSTRING);

    ScopedModule m_module;
    bool m_mustUninitialize = false;
    PFN_RoInitialize m_pfnRoInitialize = nullptr;
    PFN_RoUninitialize m_pfnRoUninitialize = nullptr;
    PFN_RoGetActivationFactory m_pfnRoGetActivationFactory = nullptr;
    PFN_RoActivateInstance m_pfnRoActivateInstance = nullptr;
    PFN_WindowsCreateString m_pfnWindowsCreateString = nullptr;
    PFN_WindowsDeleteString m_pfnWindowsDeleteString = nullptr;
};

}  // namespace toasthost
