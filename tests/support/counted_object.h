#pragma once
// A plain object of the test process, living on the test's stack, whose
// references the tests can count: what the agent's tables hold of it, in this
// process or through stubs for another.

#include <windows.h>
#include <objbase.h>

namespace tesk_test {

class CountedObject : public IUnknown {
public:
    CountedObject() = default;
    // Whatever COM still holds for another process (stubs of a published
    // object) is cut off before the object goes.
    virtual ~CountedObject() { ::CoDisconnectObject(this, 0); }
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return ::InterlockedDecrement(&refs_); }
    LONG refs() const { return refs_; }

private:
    LONG refs_ = 1;  // the test's own; nothing deletes the object
};

}  // namespace tesk_test
