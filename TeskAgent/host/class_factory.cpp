#include "host/class_factory.h"

#include <new>

#include "support/unique_resource.h"

TeskAgentClassFactory::TeskAgentClassFactory(InstanceCreator createInstance)
    : createInstance_(createInstance) {
    ::InitializeCriticalSection(&lock_);
}

TeskAgentClassFactory::~TeskAgentClassFactory() { ::DeleteCriticalSection(&lock_); }

STDMETHODIMP TeskAgentClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TeskAgentClassFactory::AddRef() { return ::InterlockedIncrement(&refCount_); }

STDMETHODIMP_(ULONG) TeskAgentClassFactory::Release() {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP TeskAgentClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return createInstance_(outer, iid, object);
}

STDMETHODIMP TeskAgentClassFactory::LockServer(BOOL lock) {
    if (lock) ServerModule::Instance().Lock();
    else ServerModule::Instance().Unlock();
    return S_OK;
}

HRESULT CreateClassFactory(InstanceCreator createInstance, REFIID iid, void** object) {
    auto* created = new (std::nothrow) TeskAgentClassFactory(createInstance);
    if (!created) return E_OUTOFMEMORY;
    created->AddRef();
    // The creation reference goes with the owner: a failed query destroys the factory.
    tesk::UniqueComPtr<TeskAgentClassFactory> factory(created);
    return factory.get()->QueryInterface(iid, object);
}
