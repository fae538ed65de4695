#pragma once
// The NT service of a TeskServer, named by the full user-type name of its COM
// class (the default value of its class key).

#include <windows.h>

#include "support/unique_resource.h"

// Opens the server's service with full access; an empty handle when there is
// no such service or it may not be opened. An unknown server raises E_FAIL.
tesk::UniqueServiceHandle OpenServerService(const wchar_t* serverName);

// The start type of the server's service (SERVICE_AUTO_START, ...); false when
// the service could not be opened or its configuration not read.
bool QueryServerStartType(const wchar_t* serverName, DWORD* startType);
