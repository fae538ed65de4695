#include "agent/server_connection.h"

#include <comdef.h>

#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

HRESULT ConnectToServer(ITeskRot* rot, const wchar_t* serverName, IUnknown** server) {
    CLSID clsid = TeskAgentHelpers::GetServerGuid(serverName);
    if (clsid == GUID_NULL) TESK_RAISE(E_FAIL);
    tesk::UniqueCoTaskString clsidText;
    if (FAILED(::StringFromCLSID(clsid, clsidText.put()))) {
        // Log texts here keep the system's exact wording: do not correct.
        GuardedLogWarning(L"Can't convert CLSID to string.");
        return E_INVALIDARG;  // returned with a warning, not raised, by contract
    }

    // Servers publish themselves under the upper-case CLSID string, the form
    // StringFromCLSID writes, whatever name the client used.
    HRESULT hr = E_FAIL;
    tesk::UniqueVariant entry;
    if (SUCCEEDED(rot->TeskRotGetActiveObject(_bstr_t(clsidText.get()), entry.get())) &&
        V_VT(entry.get()) == VT_UNKNOWN) {
        GuardedLogTrace(L"Connected to TeskServer via Tesk ROT.");
        // The table look-up's reference passes to the caller.
        *server = V_UNKNOWN(entry.get());
        entry.release();
        hr = S_OK;
    }
    if (FAILED(hr)) {
        // The platform table is another process: other clients' calls are
        // served while it answers, and this call holds only locals meanwhile.
        hr = ::GetActiveObject(clsid, nullptr, server);
        if (FAILED(hr))
            GuardedLogTrace(L"Failed to obtain IUnknown (hr = 0x%x) for server '%s'",
                            static_cast<unsigned>(hr), clsidText.get());
    }
    return hr;
}

HRESULT CreateAgentOnNode(BSTR node, IUnknown** agent) {
    COSERVERINFO serverInfo = {};
    serverInfo.pwszName = node;
    MULTI_QI requested = {&IID_ITesk_Agent, nullptr, S_OK};
    // The activation waits for another process while this thread serves other
    // clients; nothing but this call's locals is in use across it.
    HRESULT hr = ::CoCreateInstanceEx(CLSID_Tesk_Agent, nullptr, CLSCTX_ALL, &serverInfo, 1,
                                      &requested);
    if (SUCCEEDED(hr)) hr = requested.hr;
    if (FAILED(hr)) TESK_RAISE(hr);
    *agent = requested.pItf;
    return S_OK;
}

HRESULT CreateConfigurator(IUnknown** configurator) {
    // Starting the configurator lets other clients' calls run on this thread;
    // only the caller's out pointer is written, after it answered.
    HRESULT hr = ::CoCreateInstance(CLSID_IOSrvCfgPersist, nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_IUnknown, reinterpret_cast<void**>(configurator));
    if (FAILED(hr)) TESK_RAISE(hr);
    return S_OK;
}
