#pragma once
// The framework's administrator-account library, Wardlow.dll, loaded at run
// time. It makes a DCOM AppID run under the framework's administrator account;
// the agent never sees that account or its password.

#include <windows.h>

namespace admin_account_library {

// HKEY_LOCAL_MACHINE key and value that name the library's full file name.
extern const wchar_t kAdminUserKey[];
extern const wchar_t kInstallPathValue[];
// Found through the system's library search when InstallPath is absent or empty.
extern const wchar_t kDefaultFileName[];
extern const char kEntryPointName[];

// The library's result for a missing library or entry point.
constexpr int kLibraryMissing = 1;

}  // namespace admin_account_library

// Calls the library's RegisterAndSaveAppID with the AppID string ("{...}").
// 0 on success; kLibraryMissing when the library or its entry point cannot be
// found; else the library's own non-zero result. On failure the thread's last
// error tells why (the loader's, or what the library left there). When no
// InstallPath could be read, the file name of the library that was loaded is
// recorded there (REG_EXPAND_SZ). The library stays loaded until the process ends.
int CallRegisterAndSaveAppID(const wchar_t* appId);
