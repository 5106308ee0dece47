#pragma once
// Owns one COM interface pointer.

#include <windows.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over the reference the caller holds.
    explicit ComPtr(T* adopted) : m_p(adopted) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** receive()
    {
        reset();
        return &m_p;
    }
    void** receiveVoid() { return reinterpret_cast<void**>(receive()); }
    void reset()
    {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    template <typename U>
    ComPtr<U> as(const IID& iid) const
    {
        ComPtr<U> other;
        if (m_p) m_p->QueryInterface(iid, other.receiveVoid());
        return other;
    }

private:
    T* m_p = nullptr;
};
