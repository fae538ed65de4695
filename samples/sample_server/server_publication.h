#pragma once
// Publication of the running server's live object: in the agent's Tesk ROT
// under the CLSID string (through an agent object the server keeps while it
// runs, since an entry does not keep the agent process alive) and in the
// platform's running object table.

#include <windows.h>

#include <string>

#include "TeskAgent_h.h"
#include "sample_server/common/sample_identity.h"
#include "sample_server/server_options.h"
#include "support/unique_resource.h"

namespace tesk_sample {

class LivePublication {
public:
    LivePublication() = default;
    ~LivePublication() { Withdraw(); }
    LivePublication(const LivePublication&) = delete;
    LivePublication& operator=(const LivePublication&) = delete;

    // Publishes where asked. A server runs on without the agent, so failures
    // are only remembered (and written to the debugger output).
    void Publish(const ServerIdentity& identity, Publication where, IUnknown* live);
    // Takes the object out of both tables and lets the agent object go.
    void Withdraw();

    HRESULT teskRotResult() const { return teskRotResult_; }
    HRESULT platformResult() const { return platformResult_; }

private:
    tesk::UniqueComPtr<ITeskRot> agent_;
    std::wstring key_;
    bool registered_ = false;
    tesk::UniqueActiveObjectRegistration platformEntry_;
    HRESULT teskRotResult_ = S_FALSE;
    HRESULT platformResult_ = S_FALSE;
};

}  // namespace tesk_sample
