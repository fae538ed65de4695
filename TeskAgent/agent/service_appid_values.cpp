#include "agent/service_appid_values.h"

#include "support/registry.h"
#include "support/unique_resource.h"

namespace {

constexpr wchar_t kLocalServiceValue[] = L"LocalService";
constexpr wchar_t kServiceParametersValue[] = L"ServiceParameters";
// What COM passes to the server it starts as a service (the Service Control
// Manager passes the lower-case " -service" of the binary path instead).
constexpr wchar_t kServiceParameters[] = L"-Service";

tesk::UniqueRegKey OpenAppIdKeyIn(const wchar_t* clsidText, REGSAM view) {
    tesk::UniqueRegKey appIds, appId;
    if (FAILED(tesk::registry::Open(HKEY_CLASSES_ROOT, L"AppID", KEY_READ | KEY_WRITE, appIds,
                                    view)) ||
        FAILED(tesk::registry::Open(appIds.get(), clsidText, KEY_READ | KEY_WRITE, appId, view)))
        return {};
    return appId;
}

// HKCR\AppID\{CLSID}, opened for reading and writing in the 64-bit view, else
// in the 32-bit view (where a 32-bit server's installation may have put it;
// current Windows shares AppID keys); empty when it exists in neither: an
// installation never creates the server's AppID key.
tesk::UniqueRegKey OpenServerAppIdKey(REFCLSID clsid) {
    tesk::UniqueCoTaskString clsidText;
    if (FAILED(::StringFromCLSID(clsid, clsidText.put()))) return {};
    tesk::UniqueRegKey appId = OpenAppIdKeyIn(clsidText.get(), KEY_WOW64_64KEY);
    if (!appId) appId = OpenAppIdKeyIn(clsidText.get(), KEY_WOW64_32KEY);
    return appId;
}

}  // namespace

bool SetServiceAppIdValues(const wchar_t* serviceName, REFCLSID clsid) {
    if (!serviceName) return false;
    tesk::UniqueRegKey appId = OpenServerAppIdKey(clsid);
    if (!appId) return false;
    tesk::registry::WriteString(appId.get(), kLocalServiceValue, serviceName);
    tesk::registry::WriteString(appId.get(), kServiceParametersValue, kServiceParameters);
    return true;
}

bool RemoveServiceAppIdValues(REFCLSID clsid) {
    tesk::UniqueRegKey appId = OpenServerAppIdKey(clsid);
    if (!appId) return false;
    ::RegDeleteValueW(appId.get(), kLocalServiceValue);
    ::RegDeleteValueW(appId.get(), kServiceParametersValue);
    return true;
}
