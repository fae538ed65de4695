#pragma once
// An object answering IServerPropertySource with a fixed value and name: the
// running server's live object and the in-process module's engine object.

#include <windows.h>

#include <string>

#include "TeskSample_h.h"

namespace tesk_sample {

class PropertySource : public IServerPropertySource {
public:
    // A new object with one reference.
    static PropertySource* Create(long value, const std::wstring& serverName);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetLongValue(long* pValue) override;
    STDMETHODIMP GetServerName(BSTR* pName) override;

private:
    PropertySource(long value, const std::wstring& serverName);
    virtual ~PropertySource();
    volatile LONG refCount_ = 1;
    const long value_;
    const std::wstring serverName_;
};

}  // namespace tesk_sample
