#pragma once
// The run-as password of a DCOM AppID, kept where the service control manager
// looks for it when it starts the server under an account: the LSA secret
// "SCM:" followed by the AppID string.

#include <windows.h>

// Copies the configured account's password (LSA secret WARDLOW_ADMIN_PASSWORD_SECRET)
// into the AppID's run-as secret. Without a configured password nothing is
// stored. Returns WARDLOW_OK, WARDLOW_PASSWORD_UNREADABLE or
// WARDLOW_PASSWORD_NOT_STORED; error receives the Win32 error of a failure.
int StoreRunAsPassword(const wchar_t* appId, DWORD& error);
