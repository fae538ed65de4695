#include "agent/service_appid_values.h"

#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/ServerIdentity.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace {

constexpr wchar_t kLocalServiceValue[] = L"LocalService";
constexpr wchar_t kServiceParametersValue[] = L"ServiceParameters";
// What COM passes to the server it starts as a service (the Service Control
// Manager passes the lower-case " -service" of the binary path instead).
constexpr wchar_t kServiceParameters[] = L"-Service";

HRESULT OpenAppIdKeyIn(const wchar_t* clsidText, REGSAM view, tesk::UniqueRegKey& appId) {
    tesk::UniqueRegKey appIds;
    TESK_RETURN_IF_FAILED(
        tesk::registry::Open(HKEY_CLASSES_ROOT, L"AppID", KEY_READ | KEY_WRITE, appIds, view));
    return tesk::registry::Open(appIds.get(), clsidText, KEY_READ | KEY_WRITE, appId, view);
}

// HKCR\AppID\{CLSID}, opened for reading and writing in the 64-bit view, else
// in the 32-bit view (where a 32-bit server's installation may have put it;
// current Windows shares AppID keys); fails when it exists in neither: an
// installation never creates the server's AppID key.
HRESULT OpenServerAppIdKey(REFCLSID clsid, tesk::UniqueRegKey& appId) {
    tesk::UniqueCoTaskString clsidText;
    TESK_RETURN_IF_FAILED(::StringFromCLSID(clsid, clsidText.put()));
    if (SUCCEEDED(OpenAppIdKeyIn(clsidText.get(), TeskAgentHelpers::k64BitView, appId))) return S_OK;
    return OpenAppIdKeyIn(clsidText.get(), TeskAgentHelpers::k32BitView, appId);
}

}  // namespace

HRESULT SetServiceAppIdValues(const wchar_t* serviceName, REFCLSID clsid) {
    TESK_RETURN_IF(!serviceName, E_INVALIDARG);
    tesk::UniqueRegKey appId;
    TESK_RETURN_IF_FAILED(OpenServerAppIdKey(clsid, appId));
    // The writes themselves are not checked.
    tesk::registry::WriteString(appId.get(), kLocalServiceValue, serviceName);
    tesk::registry::WriteString(appId.get(), kServiceParametersValue, kServiceParameters);
    return S_OK;
}

HRESULT RemoveServiceAppIdValues(REFCLSID clsid) {
    tesk::UniqueRegKey appId;
    TESK_RETURN_IF_FAILED(OpenServerAppIdKey(clsid, appId));
    // Absent already is as good as deleted.
    ::RegDeleteValueW(appId.get(), kLocalServiceValue);
    ::RegDeleteValueW(appId.get(), kServiceParametersValue);
    return S_OK;
}
