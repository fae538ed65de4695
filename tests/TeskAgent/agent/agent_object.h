#pragma once
// An agent object made in the test process, for the cases that the marshaler
// would refuse or that need error information (which does not cross processes).

#include <comdef.h>

#include "TeskAgent_h.h"
#include "agent/Tesk_Agent.h"
#include "support/unique_resource.h"

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));
_COM_SMARTPTR_TYPEDEF(ITeskRot, __uuidof(ITeskRot));

namespace agent_test {

inline ITesk_AgentPtr MakeAgentInProcess() {
    ITesk_AgentPtr agent;
    CTesk_Agent::CreateInstance(nullptr, IID_ITesk_Agent, reinterpret_cast<void**>(&agent));
    return agent;
}

inline ITeskRotPtr RotOf(const ITesk_AgentPtr& agent) {
    ITeskRotPtr rot;
    agent->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(&rot));
    return rot;
}

// Withdraws a Tesk ROT entry when the test ends, however it ends; declare it
// after the object it names, so the object outlives the entry.
class ScopedRotEntry {
public:
    ScopedRotEntry(ITeskRot* rot, const wchar_t* key) : rot_(rot), key_(key) {}
    ~ScopedRotEntry() { rot_->TeskRotUnRegister(key_); }
    ScopedRotEntry(const ScopedRotEntry&) = delete;
    ScopedRotEntry& operator=(const ScopedRotEntry&) = delete;
    BSTR key() const { return key_; }

private:
    ITeskRotPtr rot_;
    _bstr_t key_;
};

// Error information that a method left on the thread, if any.
inline bool HasErrorInfo() {
    tesk::UniqueComPtr<IErrorInfo> info;
    return ::GetErrorInfo(0, info.put()) == S_OK;
}

}  // namespace agent_test
