#pragma once
// Wardlow.dll, the framework's administrator-account library: makes a DCOM
// AppID run under the framework's administrator account.
//
// Configuration, under HKEY_LOCAL_MACHINE\SOFTWARE\Quellix\Framework\AdminUser:
//   AccountName  REG_SZ         the account: "domain\name", "computer\name" or "name"
//   InstallPath  REG_EXPAND_SZ  full file name of this library (for its users)
// The account's password, when it has one, is the local LSA secret
// kAdminPasswordSecret; an account without one (a built-in service account
// such as "NT AUTHORITY\LocalService") needs none.

#include <windows.h>

#define WARDLOW_ADMIN_USER_KEY L"SOFTWARE\\Quellix\\Framework\\AdminUser"
#define WARDLOW_ACCOUNT_NAME_VALUE L"AccountName"
#define WARDLOW_INSTALL_PATH_VALUE L"InstallPath"
// "L$": a local secret, never replicated and readable only by administrators.
#define WARDLOW_ADMIN_PASSWORD_SECRET L"L$QuellixFrameworkAdminUser"

// Results of RegisterAndSaveAppID. 1 is left out: the library's callers use it
// for "library or entry point missing".
enum WardlowResult {
    WARDLOW_OK = 0,
    WARDLOW_BAD_APPID = 2,            // null, or not a braced GUID string
    WARDLOW_NOT_CONFIGURED = 3,       // no AccountName, or an empty one
    WARDLOW_UNKNOWN_ACCOUNT = 4,      // AccountName names no account here
    WARDLOW_PASSWORD_UNREADABLE = 5,  // the LSA or the configured password cannot be read
    WARDLOW_PASSWORD_NOT_STORED = 6,  // the AppID's run-as password could not be stored
    WARDLOW_RUNAS_NOT_WRITTEN = 7,    // the AppID key cannot be opened or RunAs not written
    WARDLOW_INTERNAL_ERROR = 8,       // out of memory, or another internal failure
};

#ifdef __cplusplus
extern "C" {
#endif

// Makes the AppID ("{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", already registered
// under HKEY_CLASSES_ROOT\AppID) run under the configured account: stores the
// account's password as the AppID's run-as password (LSA secret "SCM:" + AppID)
// when it has one, then writes the AppID's RunAs value as "domain\name".
// Nothing is written when an earlier step fails. Returns a WardlowResult; on
// failure the thread's last-error value holds the Win32 error behind it.
// Never shows a window. cdecl, exported under its plain name.
int __cdecl RegisterAndSaveAppID(const wchar_t* appId);

#ifdef __cplusplus
}
#endif
