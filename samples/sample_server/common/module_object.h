#pragma once
// IUnknown of the sample's objects, which each answer one interface and keep
// the module loaded while they live (class objects, property sources, the I/O
// plug-in), and the hand-out of a newly made one.

#include <windows.h>

#include "sample_server/common/module_locks.h"
#include "support/unique_resource.h"

namespace tesk_sample {

template <class Interface, const IID& InterfaceId>
class ModuleObject : public Interface {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == InterfaceId) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refCount_); }

    STDMETHODIMP_(ULONG) Release() override {
        LONG count = ::InterlockedDecrement(&refCount_);
        if (count == 0) delete this;
        return count;
    }

protected:
    ModuleObject() { LockModule(); }
    virtual ~ModuleObject() { UnlockModule(); }

private:
    volatile LONG refCount_ = 1;  // the creator's reference
};

// Queries a new object (null: the allocation failed) for iid and drops the
// creator's reference, so a failed query destroys it again.
template <class Object>
HRESULT HandOutNew(Object* created, REFIID iid, void** object) {
    tesk::UniqueComPtr<Object> owner(created);
    if (!owner) return E_OUTOFMEMORY;
    return owner->QueryInterface(iid, object);
}

}  // namespace tesk_sample
