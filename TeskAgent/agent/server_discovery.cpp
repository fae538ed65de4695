#include "agent/server_discovery.h"

#include <comdef.h>

#include "agent/TeskSafeArrayWrapper.h"
#include "agent/server_activity.h"
#include "agent/service_manager.h"
#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "interfaces/ClassUtilities/CategoryClasses.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

HRESULT ListInstalledServers(SAFEARRAY** serverNames, SAFEARRAY** serverGuids,
                             SAFEARRAY** activeStatus) {
    // Owned until they are handed over, so a failure part-way frees them.
    TeskBstrSafeArrayWrapper names(0, true);
    TeskBstrSafeArrayWrapper guids(0, true);
    TeskLongSafeArrayWrapper status(0, true);

    TeskAgentHelpers::CategoryClasses servers =
        TeskAgentHelpers::ListCategoryClasses(kTeskServerCategory);
    if (FAILED(servers.result)) TESK_RAISE(servers.result);
    // The installed services, fetched once: a server without a service then
    // costs no round trip to the Service Control Manager.
    service_manager::InstalledServices installed;

    ULONG index = 0;
    for (const TeskAgentHelpers::ServerIdentity& server : servers.classes) {
        tesk::UniqueCoTaskString progId = TeskAgentHelpers::ProgIdOf(server);
        tesk::UniqueCoTaskString clsidText;
        ::StringFromCLSID(server.clsid, clsidText.put());
        if (!progId) {
            // Exact wording: do not correct.
            GuardedLogWarning(L"Invalid CLSID: %s in TeskAgent method GetInstalledServers.",
                              clsidText ? clsidText.get() : L"");
            continue;
        }
        // The activity is that of the server the ProgID names, as a client
        // asking IsServerActive with it would be told. A server whose
        // activity cannot be had leaves its name and GUID slots to the next.
        LONG activeContext = 0;
        if (names.SetAt(index, progId.get()) && guids.SetAt(index, clsidText.get()) &&
            SUCCEEDED(ReportActivityOf(TeskAgentHelpers::ResolveServer(progId.get(), &server),
                                       &activeContext, &installed)) &&
            status.SetAt(index, activeContext))
            ++index;
    }

    *serverNames = names.Detach(true);
    *serverGuids = guids.Detach(true);
    *activeStatus = status.Detach(true);
    return S_OK;
}

HRESULT ReadActiveConfigFile(const wchar_t* serverName, BSTR* configFile) {
    // An unknown name goes on as GUID_NULL, whose class has no entry.
    TeskAgentHelpers::ServerIdentity server = TeskAgentHelpers::ResolveServer(serverName);
    tesk::UniqueCoTaskString value;
    HRESULT hr = TeskAgentHelpers::GetLocalServer32Value(server, value.put());
    if (FAILED(hr)) TESK_RAISE(hr);
    *configFile = _bstr_t(value.get()).Detach();
    return S_OK;
}
