#include "dcomconfig/DcomConfig.h"

#include <string>
#include <utility>

#include "dcomconfig/admin_account_library.h"
#include "dcomconfig/appid_key_path.h"
#include "dcomconfig/security_descriptor.h"
#include "diagnostics/returned_failure.h"
#include "support/registry.h"
#include "support/unique_resource.h"
#include "support/win32_result.h"

namespace msg = registration_messages;

namespace {
const wchar_t kLaunchPermissionValue[] = L"LaunchPermission";
const wchar_t kAccessPermissionValue[] = L"AccessPermission";
const wchar_t kRunAsValue[] = L"RunAs";
const wchar_t kAuthenticationLevelValue[] = L"AuthenticationLevel";
const wchar_t kInteractiveUser[] = L"Interactive User";
}  // namespace

CDcomConfig::CDcomConfig(RegistrationMessageSink sink) : sink_(std::move(sink)) {}

void CDcomConfig::Show(const std::wstring& text, const wchar_t* caption) const {
    if (sink_) sink_(text, caption);
}

HRESULT CDcomConfig::SetDcomConfig(const wchar_t* progId, DWORD runAsMode) {
    CLSID clsid = {};
    HRESULT hr = progId ? ::CLSIDFromProgID(progId, &clsid) : E_INVALIDARG;
    if (FAILED(hr)) {
        Show(msg::Format(msg::kProgIdLookup, progId, hr), msg::kOuterCaption);
        return hr;
    }
    wchar_t appId[kAppIdChars] = {};
    hr = GetAppidFromClsid(clsid, appId, kAppIdChars);
    if (hr != S_OK) {
        Show(msg::Format(msg::kAppIdLookup, hr), msg::kOuterCaption);
        return hr;
    }
    return SetDcomConfigForAppID(appId, runAsMode);
}

HRESULT CDcomConfig::SetDcomConfigForAppID(const wchar_t* appId, DWORD runAsMode) {
    // The accounts have localised names; they are granted by the names this
    // system gives their SIDs.
    wchar_t anonymous[kAccountNameChars] = {};
    const bool haveAnonymous = GetWellKnownAccountName(5, SECURITY_ANONYMOUS_LOGON_RID, anonymous);
    wchar_t world[kAccountNameChars] = {};
    if (GetWellKnownAccountName(1, SECURITY_WORLD_RID, world)) {
        struct Grant {
            HRESULT (CDcomConfig::*change)(const wchar_t*, const wchar_t*, bool, bool);
            const wchar_t* principal;
            const wchar_t* failureText;
        };
        const Grant grants[] = {
            {&CDcomConfig::ChangeAppIDAccessACL, world, msg::kAccessPermission},
            {&CDcomConfig::ChangeAppIDAccessACL, haveAnonymous ? anonymous : nullptr,
             msg::kAccessPermission},
            {&CDcomConfig::ChangeAppIDLaunchACL, world, msg::kLaunchPermission},
            {&CDcomConfig::ChangeAppIDLaunchACL, haveAnonymous ? anonymous : nullptr,
             msg::kLaunchPermission},
        };
        for (const Grant& grant : grants) {
            if (!grant.principal) continue;
            HRESULT hr = (this->*grant.change)(appId, grant.principal, true, true);
            if (FAILED(hr)) {
                Show(msg::Format(grant.failureText, appId, hr), msg::kOuterCaption);
                return hr;
            }
        }
    }

    HRESULT hr = ChangeAppIDRunAs(appId, runAsMode);
    if (hr != S_OK) {
        Show(msg::Format(msg::kRunAs, appId, hr), msg::kOuterCaption);
        return hr;
    }

    // The level is written when the key opens; its failure is shown but does
    // not fail the configuration.
    std::wstring path;
    tesk::UniqueRegKey key;
    if (appid_key_path::ForAuthenticationLevel(appId, path) &&
        SUCCEEDED(tesk::registry::Open(HKEY_CLASSES_ROOT, path.c_str(), KEY_SET_VALUE, key))) {
        hr = tesk::registry::WriteDword(key.get(), kAuthenticationLevelValue, kAuthenticationLevel);
        // The message shows the registry's own error code, not its HRESULT.
        if (FAILED(hr))
            Show(msg::Format(msg::kAuthenticationLevel, static_cast<HRESULT>(HRESULT_CODE(hr))),
                 msg::kOuterCaption);
    }
    return S_OK;
}

HRESULT CDcomConfig::GetAppidFromClsid(REFCLSID clsid, wchar_t* appId, DWORD chars) {
    TESK_RETURN_IF(!appId || chars == 0, E_INVALIDARG);
    appId[0] = L'\0';
    tesk::UniqueCoTaskString clsidText;
    HRESULT hr = ::StringFromCLSID(clsid, clsidText.put());
    TESK_RETURN_IF_FAILED(hr);
    const std::wstring path = L"CLSID\\" + std::wstring(clsidText.get());

    tesk::UniqueRegKey key;
    hr = tesk::registry::Open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ, key);
    if (FAILED(hr)) {
        Show(msg::kInnerText, msg::kClsidKeyNotOpened);
        return hr;
    }
    // RegGetValueW: a string type only, and always ends the text with a zero
    // inside the caller's buffer.
    DWORD bytes = chars * sizeof(wchar_t);
    LONG code = ::RegGetValueW(key.get(), nullptr, L"AppID", RRF_RT_REG_SZ, nullptr, appId, &bytes);
    if (code != ERROR_SUCCESS) {
        appId[0] = L'\0';
        Show(msg::kInnerText, msg::kAppIdValueNotRead);
        return tesk::Win32Result(code);
    }
    return S_OK;
}

HRESULT CDcomConfig::ChangePermission(const wchar_t* valueName, const wchar_t* appId,
                                      const wchar_t* principal, bool set, bool permit) {
    std::wstring path;
    TESK_RETURN_IF(!appid_key_path::ForPermissions(appId, path) || !principal, E_INVALIDARG);
    HRESULT hr = RemovePrincipalFromRegistrySD(HKEY_CLASSES_ROOT, path.c_str(), valueName, principal);
    if (set && SUCCEEDED(hr))
        hr = AddPrincipalToRegistrySD(HKEY_CLASSES_ROOT, path.c_str(), valueName, principal, permit);
    return hr;
}

HRESULT CDcomConfig::ChangeAppIDLaunchACL(const wchar_t* appId, const wchar_t* principal, bool set,
                                          bool permit) {
    return ChangePermission(kLaunchPermissionValue, appId, principal, set, permit);
}

HRESULT CDcomConfig::ChangeAppIDAccessACL(const wchar_t* appId, const wchar_t* principal, bool set,
                                          bool permit) {
    return ChangePermission(kAccessPermissionValue, appId, principal, set, permit);
}

HRESULT CDcomConfig::ChangeAppIDRunAs(const wchar_t* appId, DWORD runAsMode) {
    if (runAsMode == RUNAS_UNCHANGED) return S_OK;
    std::wstring path;
    if (!appid_key_path::ForRunAs(appId, path)) {
        Show(msg::kInnerText, msg::kRunAsKeyNotOpened);
        return E_INVALIDARG;
    }
    tesk::UniqueRegKey key;
    HRESULT hr = tesk::registry::Open(HKEY_CLASSES_ROOT, path.c_str(), KEY_WRITE, key);
    if (FAILED(hr)) {
        Show(msg::kInnerText, msg::kRunAsKeyNotOpened);
        return hr;
    }
    switch (runAsMode) {
        case RUNAS_INTERACTIVE_USER:
            hr = tesk::registry::WriteString(key.get(), kRunAsValue, kInteractiveUser);
            if (FAILED(hr)) {
                Show(msg::kInnerText, msg::kRunAsInteractiveNotSet);
                return hr;
            }
            break;
        case RUNAS_LAUNCHING_USER:
            // Absent already is as good as deleted.
            ::RegDeleteValueW(key.get(), kRunAsValue);
            break;
        case RUNAS_ADMIN_ACCOUNT:
            hr = CallRegisterAndSaveAppID(appId);
            if (FAILED(hr)) {
                Show(msg::kInnerText, msg::kRunAsLibraryFailed);
                return hr;
            }
            break;
        default:
            break;
    }
    return S_OK;
}

bool CDcomConfig::GetWellKnownAccountName(BYTE identifierAuthority, DWORD subAuthority,
                                          wchar_t (&name)[kAccountNameChars]) {
    SID_IDENTIFIER_AUTHORITY authority = {{0, 0, 0, 0, 0, identifierAuthority}};
    tesk::UniqueAllocatedSid sid;
    if (!::AllocateAndInitializeSid(&authority, 1, subAuthority, 0, 0, 0, 0, 0, 0, 0, sid.put()))
        return false;
    wchar_t domain[kAccountNameChars] = {};
    DWORD nameChars = kAccountNameChars, domainChars = kAccountNameChars;
    SID_NAME_USE use;
    return ::LookupAccountSidW(nullptr, sid.get(), name, &nameChars, domain, &domainChars, &use) !=
           FALSE;
}
