#pragma once
// The NT service of a TeskServer, named by the full user-type name of its COM
// class (the default value of its class key), and the Service Control Manager
// steps the agent's service code shares.

#include <windows.h>

#include "agent/CAutoBuf.h"
#include "support/unique_resource.h"

// Opens the named service of the local Service Control Manager with `access`
// into *service (left empty when there is no such service or it may not be
// opened); fails when the manager itself cannot be opened.
HRESULT OpenLocalService(const wchar_t* serviceName, DWORD access,
                         tesk::UniqueServiceHandle* service);

// The service's configuration, in a buffer grown to the size the Service
// Control Manager asks for until it fits.
HRESULT ReadServiceConfig(SC_HANDLE service, CAutoBuf<QUERY_SERVICE_CONFIGW>& config);

// Opens the server's service with full access; an empty handle when there is
// no such service or it may not be opened. An unknown server raises E_FAIL.
tesk::UniqueServiceHandle OpenServerService(const wchar_t* serverName);

// The start type of the named service (SERVICE_AUTO_START, ...); fails when
// the service could not be opened or its configuration not read.
HRESULT QueryServiceStartType(const wchar_t* serviceName, DWORD* startType);

// The same for the service of the server with that class.
HRESULT QueryServerStartType(REFCLSID clsid, DWORD* startType);
