#include "agent/server_discovery.h"

#include <comcat.h>
#include <comdef.h>

#include "agent/TeskSafeArrayWrapper.h"
#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

_COM_SMARTPTR_TYPEDEF(ICatInformation, __uuidof(ICatInformation));
_COM_SMARTPTR_TYPEDEF(IEnumCLSID, __uuidof(IEnumCLSID));

HRESULT ListInstalledServers(ITesk_Agent* agent, SAFEARRAY** serverNames, SAFEARRAY** serverGuids,
                             SAFEARRAY** activeStatus) {
    // Owned until they are handed over, so a failure part-way frees them.
    TeskBstrSafeArrayWrapper names(0, true);
    TeskBstrSafeArrayWrapper guids(0, true);
    TeskLongSafeArrayWrapper status(0, true);

    ICatInformationPtr categories;
    HRESULT hr = ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ICatInformation, reinterpret_cast<void**>(&categories));
    if (FAILED(hr)) TESK_RAISE(hr);
    CATID category = kTeskServerCategory;
    IEnumCLSIDPtr classes;
    hr = categories->EnumClassesOfCategories(1, &category, 0, nullptr, &classes);
    if (FAILED(hr)) TESK_RAISE(hr);

    ULONG index = 0;
    CLSID clsid;
    while (classes->Next(1, &clsid, nullptr) == S_OK) {
        tesk::UniqueCoTaskString progId;
        tesk::UniqueCoTaskString clsidText;
        HRESULT progIdResult = ::ProgIDFromCLSID(clsid, progId.put());
        ::StringFromCLSID(clsid, clsidText.put());
        if (FAILED(progIdResult)) {
            // Exact wording: do not correct.
            GuardedLogWarning(L"Invalid CLSID: %s in TeskAgent method GetInstalledServers.",
                              clsidText ? clsidText.get() : L"");
            continue;
        }
        // A server whose activity cannot be had leaves its name and GUID slots
        // to the next server.
        LONG activeContext = 0;
        if (names.SetAt(index, progId.get()) && guids.SetAt(index, clsidText.get()) &&
            SUCCEEDED(agent->IsServerActive(_bstr_t(progId.get()), &activeContext)) &&
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
    CLSID clsid = TeskAgentHelpers::GetServerGuid(serverName);
    tesk::UniqueCoTaskString value;
    HRESULT hr = TeskAgentHelpers::GetLocalServer32Value(clsid, value.put());
    if (FAILED(hr)) TESK_RAISE(hr);
    *configFile = _bstr_t(value.get()).Detach();
    return S_OK;
}
