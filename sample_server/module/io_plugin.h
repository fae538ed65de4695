#pragma once
// The sample I/O plug-in: a class registered in the plug-in category that a
// TeskServer would load to talk to its devices. The sample speaks no real
// protocol; it names one and reports a channel count.

#include <windows.h>

#include "TeskSample_h.h"

namespace tesk_sample {

extern const wchar_t kIoPluginProgId[];
extern const wchar_t kIoPluginVersionIndependentProgId[];
extern const wchar_t kIoPluginDescription[];

class IoPlugin : public ITeskSampleIoPlugin {
public:
    static HRESULT Create(void* context, REFIID iid, void** object);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetProtocolName(BSTR* pName) override;
    STDMETHODIMP GetChannelCount(long* pCount) override;

private:
    IoPlugin();
    virtual ~IoPlugin();
    volatile LONG refCount_ = 1;
};

}  // namespace tesk_sample
