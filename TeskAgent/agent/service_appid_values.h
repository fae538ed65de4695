#pragma once
// The COM side of a server's NT-service installation: "LocalService" and
// "ServiceParameters" under HKCR\AppID\{CLSID}. With them COM starts the
// server through the Service Control Manager instead of running its
// executable. A TeskServer's AppID is its CLSID.

#include <windows.h>

// Writes both values into the existing AppID key (never creates it). Fails
// when the key cannot be opened, the CLSID has no text form or the service
// name is null; the writes themselves are not checked.
HRESULT SetServiceAppIdValues(const wchar_t* serviceName, REFCLSID clsid);

// Deletes both values, ignoring whether they were there. Fails when the key
// cannot be opened or the CLSID has no text form.
HRESULT RemoveServiceAppIdValues(REFCLSID clsid);
