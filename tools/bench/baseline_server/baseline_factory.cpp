#include "bench/baseline_server/baseline_factory.h"

#include "bench/baseline_server/baseline_module.h"
#include "bench/baseline_server/baseline_object.h"

STDMETHODIMP BaselineFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) BaselineFactory::AddRef() { return ::InterlockedIncrement(&refCount_); }

STDMETHODIMP_(ULONG) BaselineFactory::Release() {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP BaselineFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    return BaselineObject::CreateInstance(outer, iid, object);
}

STDMETHODIMP BaselineFactory::LockServer(BOOL lock) {
    if (lock)
        baseline_module::Lock();
    else
        baseline_module::Unlock();
    return S_OK;
}
