#pragma once
// An object answering IServerPropertySource with a fixed value and name: the
// running server's live object and the in-process module's engine object.

#include <windows.h>

#include <string>

#include "TeskSample_h.h"
#include "sample_server/common/module_object.h"

namespace tesk_sample {

class PropertySource : public ModuleObject<IServerPropertySource, IID_IServerPropertySource> {
public:
    // A new object with one reference.
    static PropertySource* Create(long value, const std::wstring& serverName);

    STDMETHODIMP GetLongValue(long* pValue) override;
    STDMETHODIMP GetServerName(BSTR* pName) override;

private:
    PropertySource(long value, const std::wstring& serverName);
    const long value_;
    const std::wstring serverName_;
};

}  // namespace tesk_sample
