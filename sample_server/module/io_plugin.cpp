#include "sample_server/module/io_plugin.h"

#include <new>

#include "sample_server/common/module_locks.h"

namespace tesk_sample {

const wchar_t kIoPluginProgId[] = L"TeskSample.IoPlugin.1";
const wchar_t kIoPluginVersionIndependentProgId[] = L"TeskSample.IoPlugin";
const wchar_t kIoPluginDescription[] = L"Tesk Sample I/O Plug-in";

namespace {
const wchar_t kProtocolName[] = L"Tesk sample loopback";
constexpr long kChannelCount = 8;
}  // namespace

HRESULT IoPlugin::Create(void*, REFIID iid, void** object) {
    IoPlugin* plugin = new (std::nothrow) IoPlugin();
    if (!plugin) return E_OUTOFMEMORY;
    HRESULT hr = plugin->QueryInterface(iid, object);
    plugin->Release();
    return hr;
}

IoPlugin::IoPlugin() { LockModule(); }
IoPlugin::~IoPlugin() { UnlockModule(); }

STDMETHODIMP IoPlugin::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ITeskSampleIoPlugin) {
        *object = static_cast<ITeskSampleIoPlugin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) IoPlugin::AddRef() { return ::InterlockedIncrement(&refCount_); }

STDMETHODIMP_(ULONG) IoPlugin::Release() {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return count;
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
