#pragma once
// The baseline's class object. Like the agent's, it holds no server lock, so
// the registered class object alone never keeps the process alive.

#include <windows.h>

class BaselineFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    virtual ~BaselineFactory() = default;
    LONG refCount_ = 1;  // the creator's reference
};
