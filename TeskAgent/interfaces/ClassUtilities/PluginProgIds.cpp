#include "agent/TeskSafeArrayWrapper.h"
#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/ServerInformation.h"
#include "interfaces/ClassUtilities/ServerPluginList.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

HRESULT ListPluginProgIds(SAFEARRAY** progIds) {
    // Returned, not raised (without error information or a record): by contract.
    TESK_RETURN_IF(!progIds, E_POINTER);
    // Owned until it is handed over, so a failure part-way frees it.
    TeskBstrSafeArrayWrapper names(0, true);
    ULONG index = 0;

    ServerIOPluginList plugins;
    HRESULT hr = plugins.Fill();
    TESK_RETURN_IF_FAILED(hr);
    for (const CLSID& clsid : plugins) {
        // Read in the view that holds the class (a 32-bit plug-in's own).
        tesk::UniqueCoTaskString progId = ProgIdOf(IdentityOf(clsid));
        if (!progId) continue;  // no ProgID: not listed
        if (names.SetAt(index, progId.get())) ++index;
    }

    *progIds = names.Detach(true);
    return S_OK;
}

}  // namespace TeskAgentHelpers
