#include "sample_server/common/property_source.h"

#include <new>

namespace tesk_sample {

PropertySource* PropertySource::Create(long value, const std::wstring& serverName) {
    return new (std::nothrow) PropertySource(value, serverName);
}

PropertySource::PropertySource(long value, const std::wstring& serverName)
    : value_(value), serverName_(serverName) {}

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
