#pragma once
// The live object a running TeskServer publishes in the Tesk ROT. The host
// lives in the multithreaded apartment, so the count is interlocked.

#include <windows.h>

class PublishedObject : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refCount_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG count = ::InterlockedDecrement(&refCount_);
        if (count == 0) delete this;
        return count;
    }

private:
    virtual ~PublishedObject() = default;
    LONG refCount_ = 1;  // the creator's reference
};
