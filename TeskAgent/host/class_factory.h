#pragma once
// The class object through which COM creates agent objects.

#include <windows.h>

#include <atomic>

#include "host/server_module.h"

class TeskAgentClassFactory : public IClassFactory {
public:
    explicit TeskAgentClassFactory(InstanceCreator createInstance);
    virtual ~TeskAgentClassFactory() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    std::atomic<LONG> refCount_{0};
    InstanceCreator createInstance_;
};

// Creates a class object bound to createInstance and queries it for iid; a
// failing query destroys it again.
HRESULT CreateClassFactory(InstanceCreator createInstance, REFIID iid, void** object);
