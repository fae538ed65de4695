#pragma once
// Server registry lookups: a client's server name (ProgID or CLSID text) to the
// server's CLSID and registry view, and the entries of its COM class
// registration in that view. Nothing is cached; every call reads the registry
// afresh.

#include <windows.h>

#include <string>

#include "interfaces/ClassUtilities/ServerIdentity.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

// The server the name stands for: tried as CLSID text first, then as a ProgID
// (in the default view, then in the 32-bit view, where ProgIDs of 32-bit
// servers may be kept apart); its view is the first one holding the class
// key. GUID_NULL (and one trace record) when the name stands for nothing.
// A list passes the class it found the name under: when the name resolves to
// that class, the view it was found in is taken without looking again.
ServerIdentity ResolveServer(const wchar_t* serverName, const ServerIdentity* listed = nullptr);

// The CLSID alone, as ResolveServer finds it.
CLSID GetServerGuid(const wchar_t* serverName);

// The class's identity with the first view that holds its class key (the
// 64-bit view when neither does).
ServerIdentity IdentityOf(REFCLSID clsid);

// The class's LocalServer32 / InprocServer32 default value with every double
// quote removed; empty when there is none.
std::wstring GetLocalServerPath(const ServerIdentity& server);
std::wstring GetInprocServerPath(const ServerIdentity& server);

// The class's LocalServer32 default value as registered, quotes included: the
// text that SplitServerCommandLine takes apart to start the server.
std::wstring GetLocalServerCommandLine(const ServerIdentity& server);

// A new CoTaskMem copy of the value named "LocalServer32" directly under the
// class key (the server's configuration-file entry); empty when absent.
HRESULT GetLocalServer32Value(const ServerIdentity& server, wchar_t** value);

// The class's ProgID as its registration names it; null when it has none.
tesk::UniqueCoTaskString ProgIdOf(const ServerIdentity& server);

// The class's full user-type name (the default value of its class key), which
// is also the name of its NT service; null when it has none.
tesk::UniqueCoTaskString UserTypeNameOf(const ServerIdentity& server);

// The file that a registered module path names for the server itself: a
// 32-bit server's System32 is the 32-bit system folder.
std::wstring ModuleFileOf(const ServerIdentity& server, const std::wstring& registeredPath);

// "CLSID\{...}" for a class, as StringFromCLSID writes the CLSID.
std::wstring ClassKeyPath(REFCLSID clsid);

}  // namespace TeskAgentHelpers
