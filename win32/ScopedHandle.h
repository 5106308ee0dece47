#pragma once
// One owner for each kind of platform handle the program opens, so that every path closes
// what it opened.

#include <windows.h>

template <typename T, typename Closer>
class ScopedResource {
public:
    ScopedResource() = default;
    explicit ScopedResource(T value) : m_value(value) {}
    ~ScopedResource() { reset(); }

    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ScopedResource(ScopedResource&& other) noexcept : m_value(other.release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return m_value; }
    explicit operator bool() const { return m_value != T{}; }

    // For out-parameters: closes what is held and hands out the slot to fill.
    T* receive()
    {
        reset();
        return &m_value;
    }

    T release()
    {
        T value = m_value;
        m_value = T();
        return value;
    }

    void reset(T value = T())
    {
        if (m_value != T{}) Closer()(m_value);
        m_value = value;
    }

private:
    T m_value = T();
};

struct KernelHandleCloser {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct RegistryKeyCloser {
    void operator()(HKEY h) const { ::RegCloseKey(h); }
};
struct ModuleCloser {
    void operator()(HMODULE h) const { ::FreeLibrary(h); }
};
struct ViewUnmapper {
    void operator()(void* view) const { ::UnmapViewOfFile(view); }
};

// Kernel objects whose "no handle" value is null (events, mutexes, threads, tokens, processes).
using ScopedHandle = ScopedResource<HANDLE, KernelHandleCloser>;
using ScopedRegKey = ScopedResource<HKEY, RegistryKeyCloser>;
using ScopedModule = ScopedResource<HMODULE, ModuleCloser>;
using ScopedView = ScopedResource<void*, ViewUnmapper>;  // MapViewOfFile's
