#include "configurator/configurator_factory.h"

#include "configurator/configurator_lifetime.h"
#include "configurator/configurator_object.h"

// The class object is a static of the process: its reference count does not
// decide the process's life.
STDMETHODIMP ConfiguratorFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ConfiguratorFactory::AddRef() { return 2; }
STDMETHODIMP_(ULONG) ConfiguratorFactory::Release() { return 1; }

STDMETHODIMP ConfiguratorFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return Configurator::Create(iid, object);
}

STDMETHODIMP ConfiguratorFactory::LockServer(BOOL lock) {
    if (lock)
        AddProcessReference();
    else
        ReleaseProcessReference();
    return S_OK;
}
