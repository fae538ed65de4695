#pragma once
// Self-registration of the configurator ("-RegServer" / "-UnregServer"): the
// class IOSrvCfgPersist as a local server with its ProgIDs and AppID. The
// marshaling of its interfaces is the proxy/stub module's own registration.

#include <windows.h>

HRESULT RegisterConfigurator();
HRESULT UnregisterConfigurator();
