#pragma once
// The Tesk ROT: the agent's own table of running TeskServers. One table per
// process, shared by every agent object, keyed by the text a server registers
// under (by convention its CLSID string) and holding one reference on each
// registered server object.

#include <windows.h>

namespace tesk_rot {

// Enters the object under the key, replacing (and releasing) an earlier one.
// Only VT_UNKNOWN values are accepted; anything else raises E_INVALIDARG.
HRESULT Register(BSTR serverGuid, const VARIANT& serverId);

// Removes the entry; an unknown key is only logged.
HRESULT UnRegister(BSTR serverGuid);

// Copies the entered object out; E_FAIL, returned without touching *serverId,
// when the key is not in the table.
HRESULT GetActiveObject(BSTR serverGuid, VARIANT* serverId);

}  // namespace tesk_rot
