#include "interfaces/ClassUtilities/ServerPluginList.h"

#include <comcat.h>

#include <algorithm>
#include <vector>

#include "diagnostics/com_eh.h"
#include "interfaces/ClassUtilities/CategoryClasses.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

const CATID CATID_TeskServerIOPlugin = {
    0x8BEF444A, 0x77C0, 0x49DA, {0x80, 0x23, 0x08, 0x51, 0x16, 0xCA, 0x8E, 0x93}};

namespace {

// The classes implementing the plug-in category, in both registry views.
std::vector<CLSID> EnumeratePluginClasses() {
    std::vector<CLSID> found;
    CategoryClasses plugins = ListCategoryClasses(CATID_TeskServerIOPlugin);
    if (!plugins.managerCreated) {
        ::OutputDebugStringW(L"CoCreateInstance in GetServerIOPluginList has failed !\n");
        return found;
    }
    if (FAILED(plugins.result)) {
        ::OutputDebugStringW(L"EnumClassesOfCategories in GetServerIOPluginList has failed !\n");
        return found;
    }
    for (const ServerIdentity& plugin : plugins.classes) found.push_back(plugin.clsid);
    return found;
}

}  // namespace

HRESULT GetServerIOPluginList(LONG* count, CLSID** clsids) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        if (!count || !clsids) TESK_RAISE(E_POINTER);
        *count = 0;
        *clsids = nullptr;

        std::vector<CLSID> found = EnumeratePluginClasses();
        if (found.empty()) return S_OK;
        tesk::UniqueCoTaskMem<CLSID> array(::CoTaskMemAlloc(found.size() * sizeof(CLSID)));
        if (!array) TESK_RAISE(E_OUTOFMEMORY);
        std::copy(found.begin(), found.end(), array.get());
        *count = static_cast<LONG>(found.size());
        *clsids = static_cast<CLSID*>(array.release());
        return S_OK;
    });
}

HRESULT FreeServerIOPluginList(LONG* count, CLSID** clsids) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        if (count && clsids && *count != 0 && *clsids) {
            tesk::UniqueCoTaskMem<CLSID> array(*clsids);
            *count = 0;
            *clsids = nullptr;
        }
        return S_OK;
    });
}

}  // namespace TeskAgentHelpers
