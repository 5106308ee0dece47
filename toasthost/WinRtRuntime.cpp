#include "toasthost/WinRtRuntime.h"

#include "win32/Module.h"

#include <cwchar>

namespace toasthost {

WinRtRuntime::~WinRtRuntime()
{
    Stop();
}

bool WinRtRuntime::Start()
{
    if (m_module) return true;
    m_module.reset(::LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!m_module) return false;
    const HMODULE combase = m_module.get();
    m_pfnRoInitialize = LookUp<PFN_RoInitialize>(combase, "RoInitialize");
    m_pfnRoUninitialize = LookUp<PFN_RoUninitialize>(combase, "RoUninitialize");
    m_pfnRoGetActivationFactory = LookUp<PFN_RoGetActivationFactory>(combase, "RoGetActivationFactory");
    m_pfnRoActivateInstance = LookUp<PFN_RoActivateInstance>(combase, "RoActivateInstance");
    m_pfnWindowsCreateString = LookUp<PFN_WindowsCreateString>(combase, "WindowsCreateString");
    m_pfnWindowsDeleteString = LookUp<PFN_WindowsDeleteString>(combase, "WindowsDeleteString");
    if (!m_pfnRoInitialize || !m_pfnRoUninitialize || !m_pfnRoGetActivationFactory || !m_pfnRoActivateInstance ||
        !m_pfnWindowsCreateString || !m_pfnWindowsDeleteString) {
        Stop();
        return false;
    }
    // The caller's thread is a window's thread: a single-threaded apartment. A thread that has
    // joined the multithreaded one already (RPC_E_CHANGED_MODE) works as well, unbalanced.
    const HRESULT initialised = m_pfnRoInitialize(RO_INIT_SINGLETHREADED);
    m_mustUninitialize = SUCCEEDED(initialised);
    if (FAILED(initialised) && initialised != RPC_E_CHANGED_MODE) {
        Stop();
        return false;
    }
    return true;
}

void WinRtRuntime::Stop()
{
    if (!m_module) return;
    if (m_mustUninitialize) m_pfnRoUninitialize();
    m_mustUninitialize = false;
    m_module.reset();
}

HRESULT WinRtRuntime::GetActivationFactory(const wchar_t* className, const IID& iid, void** factory) const
{
    *factory = nullptr;
    if (!m_module) return E_NOTIMPL;
    const HString name(*this, className);
    return name.get() ? m_pfnRoGetActivationFactory(name.get(), iid, factory) : E_OUTOFMEMORY;
}

HRESULT WinRtRuntime::ActivateInstance(const wchar_t* className, IInspectable** instance) const
{
    *instance = nullptr;
    if (!m_module) return E_NOTIMPL;
    const HString name(*this, className);
    return name.get() ? m_pfnRoActivateInstance(name.get(), instance) : E_OUTOFMEMORY;
}

WinRtRuntime::HString::HString(const WinRtRuntime& runtime, const wchar_t* text) : m_runtime(runtime)
{
    if (runtime.m_module) {
        runtime.m_pfnWindowsCreateString(text, static_cast<UINT32>(std::wcslen(text)), &m_string);
    }
}

WinRtRuntime::HString::~HString()
{
    if (m_string) m_runtime.m_pfnWindowsDeleteString(m_string);
}

}  // namespace toasthost
