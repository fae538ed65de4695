#include "agent/TeskSafeArrayWrapper.h"
#include "interfaces/ClassUtilities/ServerInformation.h"
#include "interfaces/ClassUtilities/ServerPluginList.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

HRESULT ListPluginProgIds(SAFEARRAY** progIds) {
    if (!progIds) return E_POINTER;
    // Owned until it is handed over, so a failure part-way frees it.
    TeskBstrSafeArrayWrapper names(0, true);
    ULONG index = 0;

    ServerIOPluginList plugins;
    HRESULT hr = plugins.Fill();
    if (FAILED(hr)) return hr;
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
