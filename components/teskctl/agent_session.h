#pragma once
// The agent as TeskCtl reaches it: created like any client creates it
// (TeskAgent.Tesk_Agent as a local server), or, with a node name, through that
// agent's own GetTeskAgentOnRemoteNode. Each call that fails throws a Failure
// naming the call.

#include <windows.h>

#include <string>
#include <vector>

#include "TeskAgent_h.h"
#include "support/unique_resource.h"

namespace teskctl {

struct InstalledServer {
    std::wstring progId;
    std::wstring clsid;
    long activity = 0;
};

// One requested item of an information call: its text and its own HRESULT.
struct ItemResult {
    std::wstring name;
    std::wstring value;
    HRESULT hr = S_OK;
};

class AgentSession {
public:
    // An empty node means this node's agent.
    explicit AgentSession(const std::wstring& node);

    std::vector<InstalledServer> InstalledServers();
    long Activity(const std::wstring& server);
    void StartServer(const std::wstring& server);
    void StopServer(const std::wstring& server);
    void ConfigureService(const std::wstring& server, long serviceType);
    std::wstring ConfigFile(const std::wstring& server);
    // Properties 1 to 4, each with the text of its value.
    std::vector<ItemResult> Properties(const std::wstring& server);
    // Attributes of the LOCAL or INPROC module of the server.
    std::vector<ItemResult> VersionAttributes(const std::wstring& server, const wchar_t* serverType,
                                              const std::vector<std::wstring>& names);
    std::vector<std::wstring> PluginProgIds();
    // Whether the Tesk ROT holds an entry under exactly this key.
    bool RotHasEntry(const std::wstring& key);

    ITesk_Agent* agent() const { return agent_.get(); }

private:
    void Create(const std::wstring& node);
    ITeskRot* Rot();
    ITeskServerInfo* Info();

    tesk::UniqueComPtr<ITesk_Agent> agent_;
    tesk::UniqueComPtr<ITeskRot> rot_;
    tesk::UniqueComPtr<ITeskServerInfo> info_;
};

// `Method("name")` as failures and progress name a call.
std::wstring CallText(const wchar_t* method, const std::wstring& argument);

}  // namespace teskctl
