#pragma once
// Finding the TeskServers installed on the node and reading a server's
// configuration-file entry.

#include <windows.h>

#include "TeskAgent_h.h"

// Classes registered in this component category are the installed TeskServers.
// {5E2A9C14-3B7D-4F08-9A61-C47D2E8B0F53}
inline constexpr GUID kTeskServerCategory = {
    0x5E2A9C14, 0x3B7D, 0x4F08, {0x9A, 0x61, 0xC4, 0x7D, 0x2E, 0x8B, 0x0F, 0x53}};

// Three parallel arrays: ProgID, CLSID string and activity word of each
// installed server, from both registry views (a class registered in both is
// listed once, as the 64-bit view has it). Each activity word is what
// IsServerActive reports for the ProgID.
HRESULT ListInstalledServers(SAFEARRAY** serverNames, SAFEARRAY** serverGuids,
                             SAFEARRAY** activeStatus);

// The class's "LocalServer32" named value as a new BSTR; empty when absent,
// also for a name that resolves to nothing.
HRESULT ReadActiveConfigFile(const wchar_t* serverName, BSTR* configFile);
