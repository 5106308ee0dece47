#pragma once
// The IUnknown of a COM object of our own: it answers IUnknown and the interface ids it is made
// with, counts its references (from any thread: COM may call from several) and deletes itself
// at the last release.

#include <windows.h>

#include <atomic>

template <typename Interface>
class CountedObject : public Interface {
public:
    // `also`: one more id the object answers (IID_IUnknown when there is none).
    explicit CountedObject(const IID& iid, const IID& also = IID_IUnknown) : m_iid(iid), m_also(also) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, m_iid) || IsEqualIID(iid, m_also)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~CountedObject() = default;

private:
    std::atomic<ULONG> m_references{ 1 };
    const IID m_iid;
    const IID m_also;
};

