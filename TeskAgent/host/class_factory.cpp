#include "host/class_factory.h"

#include <new>

#include "diagnostics/returned_failure.h"
#include "support/unique_resource.h"

TeskAgentClassFactory::TeskAgentClassFactory(InstanceCreator createInstance)
    : createInstance_(createInstance) {}

STDMETHODIMP TeskAgentClassFactory::QueryInterface(REFIID iid, void** object) {
    TESK_RETURN_IF(!object, E_POINTER);
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TeskAgentClassFactory::AddRef() { return ++refCount_; }

STDMETHODIMP_(ULONG) TeskAgentClassFactory::Release() {
    LONG count = --refCount_;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP TeskAgentClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    TESK_RETURN_IF(!object, E_POINTER);
    *object = nullptr;
    TESK_RETURN_IF(outer && iid != IID_IUnknown, CLASS_E_NOAGGREGATION);
    return createInstance_(outer, iid, object);
}

STDMETHODIMP TeskAgentClassFactory::LockServer(BOOL lock) {
    if (lock) ServerModule::Instance().Lock();
    else ServerModule::Instance().Unlock();
    return S_OK;
}

HRESULT CreateClassFactory(InstanceCreator createInstance, REFIID iid, void** object) {
    auto* created = new (std::nothrow) TeskAgentClassFactory(createInstance);
    TESK_RETURN_IF(!created, E_OUTOFMEMORY);
    created->AddRef();
    // The creation reference goes with the owner: a failed query destroys the factory.
    tesk::UniqueComPtr<TeskAgentClassFactory> factory(created);
    return factory->QueryInterface(iid, object);
}
