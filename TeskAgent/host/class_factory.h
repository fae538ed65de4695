#pragma once
// The class object through which COM creates agent objects.

#include <windows.h>

#include "host/server_module.h"

class TeskAgentClassFactory : public IClassFactory {
public:
    explicit TeskAgentClassFactory(InstanceCreator createInstance);
    virtual ~TeskAgentClassFactory();

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    volatile LONG refCount_ = 0;
    // Kept for the framework's class-object layout; nothing takes it.
    CRITICAL_SECTION lock_;
    InstanceCreator createInstance_;
};

// Creates a class object bound to createInstance and queries it for iid; a
// failing query destroys it again.
HRESULT CreateClassFactory(InstanceCreator createInstance, REFIID iid, void** object);
