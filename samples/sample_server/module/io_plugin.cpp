#include "sample_server/module/io_plugin.h"

#include <new>

namespace tesk_sample {

const wchar_t kIoPluginProgId[] = L"TeskSample.IoPlugin.1";
const wchar_t kIoPluginVersionIndependentProgId[] = L"TeskSample.IoPlugin";
const wchar_t kIoPluginDescription[] = L"Tesk Sample I/O Plug-in";

namespace {
const wchar_t kProtocolName[] = L"Tesk sample loopback";
constexpr long kChannelCount = 8;
}  // namespace

HRESULT IoPlugin::Create(void*, REFIID iid, void** object) {
    return HandOutNew(new (std::nothrow) IoPlugin(), iid, object);
}

STDMETHODIMP IoPlugin::GetProtocolName(BSTR* pName) {
    if (!pName) return E_POINTER;
    *pName = ::SysAllocString(kProtocolName);
    return *pName ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP IoPlugin::GetChannelCount(long* pCount) {
    if (!pCount) return E_POINTER;
    *pCount = kChannelCount;
    return S_OK;
}

}  // namespace tesk_sample
