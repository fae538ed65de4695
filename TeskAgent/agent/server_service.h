#pragma once
// The NT service of a TeskServer, named by the full user-type name of its COM
// class (the default value of its class key, in the view that holds the
// class), and the Service Control Manager steps the agent's service code
// shares. All of them go through the process's one connection to the manager.

#include <windows.h>

#include "agent/CAutoBuf.h"
#include "agent/service_manager.h"
#include "interfaces/ClassUtilities/ServerIdentity.h"
#include "support/unique_resource.h"

// Opens the named service of the local Service Control Manager with `access`
// into *service (left empty when there is no such service or it may not be
// opened); fails when the manager itself cannot be reached.
HRESULT OpenLocalService(const wchar_t* serviceName, DWORD access,
                         tesk::UniqueServiceHandle* service);

// The service's configuration, in a buffer grown to the size the Service
// Control Manager asks for until it fits.
HRESULT ReadServiceConfig(SC_HANDLE service, CAutoBuf<QUERY_SERVICE_CONFIGW>& config);

// Opens the server's service with full access; an empty handle when there is
// no such service or it may not be opened.
tesk::UniqueServiceHandle OpenServerService(const TeskAgentHelpers::ServerIdentity& server);

// The start type of the named service (SERVICE_AUTO_START, ...); fails when
// the service could not be opened with full access or its configuration not
// read. With `installed`, a name that is not among them is not asked for.
HRESULT QueryServiceStartType(const wchar_t* serviceName, DWORD* startType,
                              const service_manager::InstalledServices* installed = nullptr);

// The same for the service of the server.
HRESULT QueryServerStartType(const TeskAgentHelpers::ServerIdentity& server, DWORD* startType,
                             const service_manager::InstalledServices* installed = nullptr);
