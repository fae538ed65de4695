#pragma once
// Server registry lookups: a client's server name (ProgID or CLSID text) to the
// server's CLSID, and the entries of its COM class registration. Nothing is
// cached; every call reads the registry afresh.

#include <windows.h>

#include <string>

namespace TeskAgentHelpers {

// The CLSID that the name stands for, tried as CLSID text first, then as a
// ProgID; GUID_NULL (and one trace record) when it stands for nothing.
CLSID GetServerGuid(const wchar_t* serverName);

// The class's LocalServer32 / InprocServer32 default value with every double
// quote removed; empty when there is none.
std::wstring GetLocalServerPath(REFCLSID clsid);
std::wstring GetInprocServerPath(REFCLSID clsid);

// The class's LocalServer32 default value as registered, quotes included: the
// text that SplitServerCommandLine takes apart to start the server.
std::wstring GetLocalServerCommandLine(REFCLSID clsid);

// A new CoTaskMem copy of the value named "LocalServer32" directly under the
// class key (the server's configuration-file entry); empty when absent.
HRESULT GetLocalServer32Value(REFCLSID clsid, wchar_t** value);

// "CLSID\{...}" for a class, as StringFromCLSID writes the CLSID.
std::wstring ClassKeyPath(REFCLSID clsid);

}  // namespace TeskAgentHelpers
