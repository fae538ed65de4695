#pragma once
// The platform calls the agent's algorithms make, made directly in process and
// with nothing else around them: what a method would cost if the agent added
// nothing of its own. Each function mirrors one algorithm call for call.

#include <windows.h>

namespace platform_calls {

// A server name to its CLSID: CLSID text first, then ProgID (the platform's
// look-up, then the 32-bit view's ProgID key).
CLSID ResolveName(const wchar_t* serverName);

// IsServerActive: name resolution, CLSID text, the event opens (with the
// plain-name fall-back and the second round), and the service look-up with
// its configuration query (which resolves the name once more). Returns the
// activity word.
LONG ServerActivity(const wchar_t* serverName);

// Connect with a Tesk ROT hit: name resolution, CLSID text, the key string,
// and the copy of the stored entry into *server (one reference).
HRESULT ConnectHit(const wchar_t* serverName, const VARIANT& stored, IUnknown** server);

// GetInstalledServers: the category enumeration, ProgID and CLSID text of
// each class, the activity of each server and the growing output arrays. The
// three arrays are handed to the caller; returns the number of servers listed.
long ListServers(SAFEARRAY** names, SAFEARRAY** guids, SAFEARRAY** status);

// The same three arrays from the fewest of ListServers' platform calls, for
// servers all in the 64-bit view: the category enumeration, the installed
// services enumerated once on one connection, and per class its ProgID and
// CLSID text, the class that ProgID names, that class's events and user-type
// name, and the configuration of its service only when one of that name is
// installed. Nothing else (no second view; arrays made once at their size).
long ListServersLeast(SAFEARRAY** names, SAFEARRAY** guids, SAFEARRAY** status);

}  // namespace platform_calls
