#pragma once
// The administrator account configured for the library.

#include <windows.h>

#include <string>

struct ConfiguredAccount {
    std::wstring runAsName;  // "domain\name" as this system spells it
};

// Reads AccountName and resolves it. Returns WARDLOW_OK, WARDLOW_NOT_CONFIGURED
// or WARDLOW_UNKNOWN_ACCOUNT; error receives the Win32 error of a failure.
int ReadConfiguredAccount(ConfiguredAccount& account, DWORD& error);
