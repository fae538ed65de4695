#include "dcomconfig/DcomConfig.h"

#include <string>
#include <utility>

#include "dcomconfig/admin_account_library.h"
#include "dcomconfig/appid_key_path.h"
#include "dcomconfig/security_descriptor.h"
#include "dcomconfig/win32_result.h"
#include "support/unique_resource.h"

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
        ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_SET_VALUE, key.put()) ==
            ERROR_SUCCESS) {
        const DWORD level = kAuthenticationLevel;
        LONG code = ::RegSetValueExW(key.get(), kAuthenticationLevelValue, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&level), sizeof(level));
        if (code != ERROR_SUCCESS)
            Show(msg::Format(msg::kAuthenticationLevel, static_cast<HRESULT>(code)),
                 msg::kOuterCaption);
    }
    return S_OK;
}

HRESULT CDcomConfig::GetAppidFromClsid(REFCLSID clsid, wchar_t* appId, DWORD chars) {
    if (!appId || chars == 0) return E_INVALIDARG;
    appId[0] = L'\0';
    tesk::UniqueCoTaskString clsidText;
    HRESULT hr = ::StringFromCLSID(clsid, clsidText.put());
    if (FAILED(hr)) return hr;
    const std::wstring path = L"CLSID\\" + std::wstring(clsidText.get());

    tesk::UniqueRegKey key;
    LONG code = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put());
    if (code != ERROR_SUCCESS) {
        Show(msg::kInnerText, msg::kClsidKeyNotOpened);
        return Win32Result(code);
    }
    // RegGetValueW: a string type only, and always ends the text with a zero.
    DWORD bytes = chars * sizeof(wchar_t);
    code = ::RegGetValueW(key.get(), nullptr, L"AppID", RRF_RT_REG_SZ, nullptr, appId, &bytes);
    if (code != ERROR_SUCCESS) {
        appId[0] = L'\0';
        Show(msg::kInnerText, msg::kAppIdValueNotRead);
        return Win32Result(code);
    }
    return S_OK;
}

HRESULT CDcomConfig::ChangePermission(const wchar_t* valueName, const wchar_t* appId,
                                      const wchar_t* principal, bool set, bool permit) {
    std::wstring path;
    if (!appid_key_path::ForPermissions(appId, path) || !principal) return E_INVALIDARG;
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
    LONG code = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_WRITE, key.put());
    if (code != ERROR_SUCCESS) {
        Show(msg::kInnerText, msg::kRunAsKeyNotOpened);
        return Win32Result(code);
    }
    switch (runAsMode) {
        case RUNAS_INTERACTIVE_USER:
            code = ::RegSetValueExW(key.get(), kRunAsValue, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(kInteractiveUser),
                                    sizeof(kInteractiveUser));
            if (code != ERROR_SUCCESS) {
                Show(msg::kInnerText, msg::kRunAsInteractiveNotSet);
                return Win32Result(code);
            }
            break;
        case RUNAS_LAUNCHING_USER:
            // Absent already is as good as deleted.
            ::RegDeleteValueW(key.get(), kRunAsValue);
            break;
        case RUNAS_ADMIN_ACCOUNT:
            if (CallRegisterAndSaveAppID(appId) != 0) {
                HRESULT hr = LastErrorResult();
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
