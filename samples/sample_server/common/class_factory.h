#pragma once
// A class object whose CreateInstance is a function: the executable hands out
// its one live object, the in-process module creates a new object per call.

#include <windows.h>

#include "sample_server/common/module_object.h"

namespace tesk_sample {

using ObjectCreator = HRESULT (*)(void* context, REFIID iid, void** object);

class ClassFactory : public ModuleObject<IClassFactory, IID_IClassFactory> {
public:
    ClassFactory(ObjectCreator create, void* context);

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ObjectCreator create_;
    void* context_;
};

// A new class object with one reference, queried for iid (the reference of
// the creation is dropped again, so a failed query destroys it).
HRESULT CreateClassFactory(ObjectCreator create, void* context, REFIID iid, void** object);

}  // namespace tesk_sample
