#pragma once
// The DCOM settings of the agent's own AppID, written at registration: launch
// and access rights for the world and anonymous-logon accounts, the run-as
// identity and the authentication level. Failures are told to the person who
// registers through the message sink; nothing here is logged.

#include <windows.h>

#include "dcomconfig/registration_messages.h"

// How ChangeAppIDRunAs treats the AppID's RunAs value.
enum RunAsMode : DWORD {
    RUNAS_INTERACTIVE_USER = 0,  // "Interactive User"
    RUNAS_LAUNCHING_USER = 1,    // value deleted
    RUNAS_ADMIN_ACCOUNT = 2,     // set by the administrator-account library
    RUNAS_UNCHANGED = 3,         // key not even opened
};

class CDcomConfig {
public:
    // The AppID's authentication level: RPC_C_AUTHN_LEVEL_NONE.
    static constexpr DWORD kAuthenticationLevel = 1;
    static constexpr DWORD kAccountNameChars = 256;
    static constexpr DWORD kAppIdChars = 40;

    explicit CDcomConfig(RegistrationMessageSink sink = ShowRegistrationMessage);

    // ProgID -> CLSID -> AppID, then SetDcomConfigForAppID.
    HRESULT SetDcomConfig(const wchar_t* progId, DWORD runAsMode);
    // Grants, run-as identity, then the authentication level; stops at the
    // first failing grant or a failing run-as step.
    HRESULT SetDcomConfigForAppID(const wchar_t* appId, DWORD runAsMode);
    // The class key's AppID value into appId (chars characters, zero included).
    // A failure is never reported as 0: the registry's error as an HRESULT.
    HRESULT GetAppidFromClsid(REFCLSID clsid, wchar_t* appId, DWORD chars);
    // With set: remove the principal's entries, then add one (permit: allowed,
    // else denied). Without set: only remove.
    HRESULT ChangeAppIDLaunchACL(const wchar_t* appId, const wchar_t* principal, bool set,
                                 bool permit);
    HRESULT ChangeAppIDAccessACL(const wchar_t* appId, const wchar_t* principal, bool set,
                                 bool permit);
    HRESULT ChangeAppIDRunAs(const wchar_t* appId, DWORD runAsMode);

    // The local name of a well-known account with one sub-authority.
    static bool GetWellKnownAccountName(BYTE identifierAuthority, DWORD subAuthority,
                                        wchar_t (&name)[kAccountNameChars]);

private:
    void Show(const std::wstring& text, const wchar_t* caption) const;
    HRESULT ChangePermission(const wchar_t* valueName, const wchar_t* appId,
                             const wchar_t* principal, bool set, bool permit);

    RegistrationMessageSink sink_;
};
