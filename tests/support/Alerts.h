#pragma once
// The alerts a screen reader hears (EVENT_SYSTEM_ALERT), counted by an out-of-context hook on the
// calling thread (whose messages must be handled); the last one's object read as a reader reads it.

#include "win32/ComPtr.h"

#include <windows.h>
#include <oleacc.h>

#include <atomic>
#include <string>

namespace kesh_test {

struct AlertObject {
    LONG role = 0, state = 0;  // role 0: no object to be had
    std::wstring name;
};

class AlertRecorder {  // one at a time
public:
    AlertRecorder() : m_hook(::SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, &Record, 0, 0, 0))
    {
        s_current = this;
    }
    ~AlertRecorder()
    {
        ::UnhookWinEvent(m_hook);
        s_current = nullptr;
    }
    int Count() const { return m_count; }  // from any thread
    HWND Window() const { return m_window; }
    AlertObject ReadLast() const
    {
        AlertObject seen;
        const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ComPtr<IAccessible> object;
        VARIANT child, value;
        BSTR name = nullptr;
        if (SUCCEEDED(::AccessibleObjectFromEvent(m_window, static_cast<DWORD>(m_object.load()), CHILDID_SELF,
                                                  object.receive(), &child))) {
            if (SUCCEEDED(object->get_accRole(child, &value)) && value.vt == VT_I4) seen.role = value.lVal;
            if (SUCCEEDED(object->get_accState(child, &value)) && value.vt == VT_I4) seen.state = value.lVal;
            if (SUCCEEDED(object->get_accName(child, &name)) && name) seen.name = name;
        }
        ::SysFreeString(name);
        object.reset();
        if (com) ::CoUninitialize();
        return seen;
    }

private:
    static void CALLBACK Record(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD)
    {
        s_current->m_window = window;
        s_current->m_object = object;
        ++s_current->m_count;
    }
    static inline AlertRecorder* s_current = nullptr;
    HWINEVENTHOOK m_hook;
    std::atomic<HWND> m_window{ nullptr };
    std::atomic<LONG> m_object{ 0 };
    std::atomic<int> m_count{ 0 };
};

}  // namespace kesh_test
