#pragma once
// The one interface of a running TeskServer's object that the agent uses for
// its properties. The servers own the interface; the agent relies only on
// its first method handing back a long.

#include <windows.h>
#include <unknwn.h>

namespace TeskAgentHelpers {

// {113B7C73-483B-40E6-9419-53B4B81936CA}
extern const IID IID_IServerPropertySource;

struct IServerPropertySource : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLongValue(LONG* value) = 0;
};

}  // namespace TeskAgentHelpers
