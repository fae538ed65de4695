#pragma once
// Installing a TeskServer as an NT service of the local machine, changing how
// that service starts, or removing it, with the server's COM launch settings
// kept in step.

#include <windows.h>

// What a client asks for in ConfigureNTService.
namespace service_request {
inline constexpr LONG kNoService = 1;
inline constexpr LONG kDemandStart = 2;
inline constexpr LONG kAutoStart = 3;
}  // namespace service_request

// An unknown server is returned as E_FAIL and a server without a local-server
// command line as E_INVALIDARG; a request other than 1, 2 or 3 is raised as
// E_INVALIDARG. The steps of an installation or removal only warn when they
// fail: the call still succeeds.
HRESULT ConfigureServerService(const wchar_t* serverName, LONG serviceType);
