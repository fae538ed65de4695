#pragma once
// The sample I/O plug-in: a class registered in the plug-in category that a
// TeskServer would load to talk to its devices. The sample speaks no real
// protocol; it names one and reports a channel count.

#include <windows.h>

#include "TeskSample_h.h"
#include "sample_server/common/module_object.h"

namespace tesk_sample {

extern const wchar_t kIoPluginProgId[];
extern const wchar_t kIoPluginVersionIndependentProgId[];
extern const wchar_t kIoPluginDescription[];

class IoPlugin : public ModuleObject<ITeskSampleIoPlugin, IID_ITeskSampleIoPlugin> {
public:
    static HRESULT Create(void* context, REFIID iid, void** object);

    STDMETHODIMP GetProtocolName(BSTR* pName) override;
    STDMETHODIMP GetChannelCount(long* pCount) override;

private:
    IoPlugin() = default;
};

}  // namespace tesk_sample
