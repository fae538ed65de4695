#pragma once
// The framework's administrator-account library, Wardlow.dll, loaded at run
// time. It makes a DCOM AppID run under the framework's administrator account;
// the agent never sees that account or its password.

#include <windows.h>

// Calls the library's RegisterAndSaveAppID with the AppID string ("{...}").
// S_OK when the library returns 0. A missing library or entry point, or a
// non-zero result of the library, fails with the thread's last error as an
// HRESULT (the loader's, or what the library left there; E_FAIL when it is 0).
// When no
// InstallPath could be read, the file name of the library that was loaded is
// recorded there (REG_EXPAND_SZ). The library stays loaded until the process ends.
HRESULT CallRegisterAndSaveAppID(const wchar_t* appId);
