#include "sample_server/common/property_source.h"

#include <new>

#include "sample_server/common/module_locks.h"

namespace tesk_sample {

PropertySource* PropertySource::Create(long value, const std::wstring& serverName) {
    return new (std::nothrow) PropertySource(value, serverName);
}

PropertySource::PropertySource(long value, const std::wstring& serverName)
    : value_(value), serverName_(serverName) {
    LockModule();
}

PropertySource::~PropertySource() { UnlockModule(); }

STDMETHODIMP PropertySource::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IServerPropertySource) {
        *object = static_cast<IServerPropertySource*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertySource::AddRef() { return ::InterlockedIncrement(&refCount_); }

STDMETHODIMP_(ULONG) PropertySource::Release() {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP PropertySource::GetLongValue(long* pValue) {
    if (!pValue) return E_POINTER;
    *pValue = value_;
    return S_OK;
}

STDMETHODIMP PropertySource::GetServerName(BSTR* pName) {
    if (!pName) return E_POINTER;
    *pName = ::SysAllocString(serverName_.c_str());
    return *pName ? S_OK : E_OUTOFMEMORY;
}

}  // namespace tesk_sample
