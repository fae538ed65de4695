#include "sample_server/common/class_factory.h"

#include <new>

#include "sample_server/common/module_locks.h"

namespace tesk_sample {

ClassFactory::ClassFactory(ObjectCreator create, void* context)
    : create_(create), context_(context) {}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(context_, iid, object);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}

HRESULT CreateClassFactory(ObjectCreator create, void* context, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return HandOutNew(new (std::nothrow) ClassFactory(create, context), iid, object);
}

}  // namespace tesk_sample
