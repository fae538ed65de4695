#pragma once
// The class object of coclass IOSrvCfgPersist.

#include <windows.h>

class ConfiguratorFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    // A lock keeps the process like an object does.
    STDMETHODIMP LockServer(BOOL lock) override;
};
