#include "teskctl/agent_session.h"

#include "teskctl/failure.h"

namespace teskctl {

namespace {
tesk::UniqueSysString Bstr(const std::wstring& text) {
    return tesk::UniqueSysString(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

void Check(HRESULT hr, const std::wstring& what) {
    if (FAILED(hr)) ThrowCallFailure(what, hr);
}

LONG Count(SAFEARRAY* array) {
    LONG lower = 0, upper = -1;
    if (!array || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return 0;
    return upper - lower + 1;
}

// Elements are read from the array's own lower bound on (the agent's arrays
// start at 0; nothing here depends on it).
std::vector<std::wstring> Strings(SAFEARRAY* array) {
    std::vector<std::wstring> out;
    LONG lower = 0;
    if (array) ::SafeArrayGetLBound(array, 1, &lower);
    for (LONG i = 0; i < Count(array); ++i) {
        LONG index = lower + i;
        tesk::UniqueSysString item;
        ::SafeArrayGetElement(array, &index, item.put());
        out.push_back(item ? std::wstring(item.get(), ::SysStringLen(item.get())) : L"");
    }
    return out;
}

std::vector<long> Longs(SAFEARRAY* array) {
    std::vector<long> out;
    LONG lower = 0;
    if (array) ::SafeArrayGetLBound(array, 1, &lower);
    for (LONG i = 0; i < Count(array); ++i) {
        LONG index = lower + i;
        LONG item = 0;
        ::SafeArrayGetElement(array, &index, &item);
        out.push_back(item);
    }
    return out;
}

std::wstring VariantText(VARIANT* value) {
    tesk::UniqueVariant text;
    if (V_VT(value) == VT_EMPTY ||
        FAILED(::VariantChangeType(text.get(), value, VARIANT_ALPHABOOL, VT_BSTR)))
        return {};
    return std::wstring(V_BSTR(text.get()), ::SysStringLen(V_BSTR(text.get())));
}
}  // namespace

std::wstring CallText(const wchar_t* method, const std::wstring& argument) {
    return std::wstring(method) + L"(\"" + argument + L"\")";
}

AgentSession::AgentSession(const std::wstring& node) {
    try {
        Create(node);
    } catch (Failure& failure) {
        // Whatever keeps the agent from being created (a missing executable
        // included) means it cannot be reached; refused access stays its own.
        if (failure.exitCode != kExitAccessDenied) failure.exitCode = kExitUnreachable;
        if (failure.hint.empty())
            failure.hint = L"`teskctl doctor` checks the agent's registration and its files";
        throw;
    }
}

void AgentSession::Create(const std::wstring& node) {
    tesk::UniqueComPtr<ITesk_Agent> local;
    Check(::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER, IID_ITesk_Agent,
                             reinterpret_cast<void**>(local.put())),
          L"creating the agent (TeskAgent.Tesk_Agent)");
    if (node.empty()) {
        agent_ = std::move(local);
        return;
    }
    tesk::UniqueComPtr<IUnknown> remote;
    tesk::UniqueSysString nodeName = Bstr(node);
    Check(local->GetTeskAgentOnRemoteNode(nodeName.get(), remote.put()),
          CallText(L"GetTeskAgentOnRemoteNode", node));
    Check(remote->QueryInterface(IID_ITesk_Agent, reinterpret_cast<void**>(agent_.put())),
          L"asking the agent on " + node + L" for ITesk_Agent");
}

std::vector<InstalledServer> AgentSession::InstalledServers() {
    SAFEARRAY *names = nullptr, *guids = nullptr, *activity = nullptr;
    HRESULT hr = agent_->GetInstalledServers(&names, &guids, &activity);
    tesk::UniqueSafeArray namesOwner(names), guidsOwner(guids), activityOwner(activity);
    Check(hr, L"GetInstalledServers");
    const auto progIds = Strings(names);
    const auto clsids = Strings(guids);
    const auto words = Longs(activity);
    // The three arrays describe the same servers element by element; a server
    // whose activity could not be had has no element in the last one.
    std::vector<InstalledServer> servers;
    for (size_t i = 0; i < progIds.size() && i < clsids.size() && i < words.size(); ++i)
        servers.push_back({progIds[i], clsids[i], words[i]});
    return servers;
}

long AgentSession::Activity(const std::wstring& server) {
    long activity = 0;
    tesk::UniqueSysString name = Bstr(server);
    Check(agent_->IsServerActive(name.get(), &activity), CallText(L"IsServerActive", server));
    return activity;
}

void AgentSession::StartServer(const std::wstring& server) {
    tesk::UniqueSysString name = Bstr(server);
    Check(agent_->StartServer(name.get()), CallText(L"StartServer", server));
}

void AgentSession::StopServer(const std::wstring& server) {
    tesk::UniqueSysString name = Bstr(server);
    Check(agent_->StopServer(name.get()), CallText(L"StopServer", server));
}

void AgentSession::ConfigureService(const std::wstring& server, long serviceType) {
    tesk::UniqueSysString name = Bstr(server);
    Check(agent_->ConfigureNTService(name.get(), serviceType),
          L"ConfigureNTService(\"" + server + L"\", " + std::to_wstring(serviceType) + L")");
}

std::wstring AgentSession::ConfigFile(const std::wstring& server) {
    tesk::UniqueSysString name = Bstr(server);
    tesk::UniqueSysString file;
    Check(agent_->GetActiveConfigFile(name.get(), file.put()),
          CallText(L"GetActiveConfigFile", server));
    return file ? std::wstring(file.get(), ::SysStringLen(file.get())) : L"";
}

std::vector<ItemResult> AgentSession::Properties(const std::wstring& server) {
    static const wchar_t* const kNames[] = {L"serverValue", L"TeskToolkitBuildDate",
                                            L"TeskToolkitVersion", L"TeskEngineProgID"};
    tesk::UniqueSafeArray ids(::SafeArrayCreateVector(VT_I4, 0, 4));
    if (!ids) ThrowCallFailure(L"building the property list", E_OUTOFMEMORY);
    for (LONG i = 0; i < 4; ++i) {
        LONG id = i + 1;
        ::SafeArrayPutElement(ids.get(), &i, &id);
    }
    tesk::UniqueSysString name = Bstr(server);
    SAFEARRAY *values = nullptr, *errors = nullptr;
    HRESULT hr = Info()->GetTeskServerProperties(name.get(), ids.get(), &values, &errors);
    tesk::UniqueSafeArray valuesOwner(values), errorsOwner(errors);
    Check(hr, CallText(L"GetTeskServerProperties", server));
    const auto codes = Longs(errors);
    LONG lower = 0;
    ::SafeArrayGetLBound(values, 1, &lower);
    std::vector<ItemResult> items;
    for (LONG i = 0; i < Count(values) && i < 4; ++i) {
        LONG index = lower + i;
        tesk::UniqueVariant value;
        ::SafeArrayGetElement(values, &index, value.get());
        items.push_back({kNames[i], VariantText(value.get()),
                         i < static_cast<LONG>(codes.size()) ? codes[i] : E_UNEXPECTED});
    }
    return items;
}

std::vector<ItemResult> AgentSession::VersionAttributes(const std::wstring& server,
                                                        const wchar_t* serverType,
                                                        const std::vector<std::wstring>& names) {
    tesk::UniqueSafeArray wanted(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size())));
    if (!wanted) ThrowCallFailure(L"building the attribute list", E_OUTOFMEMORY);
    for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
        tesk::UniqueSysString item = Bstr(names[i]);
        ::SafeArrayPutElement(wanted.get(), &i, item.get());
    }
    tesk::UniqueSysString name = Bstr(server);
    tesk::UniqueSysString type(::SysAllocString(serverType));
    SAFEARRAY *attributes = nullptr, *errors = nullptr;
    HRESULT hr = Info()->GetVersionAttributes(name.get(), type.get(), wanted.get(), &attributes,
                                              &errors);
    tesk::UniqueSafeArray attributesOwner(attributes), errorsOwner(errors);
    Check(hr, L"GetVersionAttributes(\"" + server + L"\", \"" + serverType + L"\")");
    const auto texts = Strings(attributes);
    const auto codes = Longs(errors);
    std::vector<ItemResult> items;
    for (size_t i = 0; i < names.size() && i < texts.size(); ++i)
        items.push_back({names[i], texts[i], i < codes.size() ? codes[i] : E_UNEXPECTED});
    return items;
}

std::vector<std::wstring> AgentSession::PluginProgIds() {
    SAFEARRAY* progIds = nullptr;
    HRESULT hr = Info()->GetTeskServerPluginProgIDs(&progIds);
    tesk::UniqueSafeArray owner(progIds);
    Check(hr, L"GetTeskServerPluginProgIDs");
    return Strings(progIds);
}

bool AgentSession::RotHasEntry(const std::wstring& key) {
    tesk::UniqueSysString text = Bstr(key);
    tesk::UniqueVariant object;
    HRESULT hr = Rot()->TeskRotGetActiveObject(text.get(), object.get());
    // E_FAIL is the agent's answer for a key without an entry.
    if (hr == E_FAIL) return false;
    Check(hr, CallText(L"TeskRotGetActiveObject", key));
    return true;
}

ITeskRot* AgentSession::Rot() {
    if (!rot_)
        Check(agent_->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(rot_.put())),
              L"asking the agent for ITeskRot");
    return rot_.get();
}

ITeskServerInfo* AgentSession::Info() {
    if (!info_)
        Check(agent_->QueryInterface(IID_ITeskServerInfo, reinterpret_cast<void**>(info_.put())),
              L"asking the agent for ITeskServerInfo");
    return info_.get();
}

}  // namespace teskctl
