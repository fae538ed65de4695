#pragma once
// Creating, changing and deleting a TeskServer's NT service in the Service
// Control Manager of the local machine. Each step returns an HRESULT (a Win32
// failure as tesk::Win32Result); the caller turns failures into warnings.

#include <windows.h>

#include <string>

// Sets the start type (demand or, with automaticStart, auto start) and the
// binary path of an existing service, leaving the rest of its configuration
// as it is; creates a missing one as an own-process, interactive LocalSystem
// service with that binary path. Fails for a null or empty name, when the
// manager cannot be opened, or when the change or creation fails.
HRESULT InstallServerService(const wchar_t* serviceName, const std::wstring& binaryPath,
                             bool automaticStart);

// The binary path of a server's service: its executable in quotes, its
// registered arguments, then " -service", which tells the server it runs
// under the Service Control Manager.
std::wstring ServerServiceBinaryPath(const std::wstring& exe, const std::wstring& args);

// Replaces the service's dependencies by a double-null-terminated list.
// Succeeds without change when the service cannot be opened or read (it was
// not installed); fails when the manager cannot be opened or the change fails.
HRESULT SetServiceDependency(const wchar_t* serviceName, const wchar_t* dependencies);

// Marks the service for deletion without stopping it first: the system removes
// it once it has stopped. Fails for a null name or when any step fails.
HRESULT DeleteServerService(const wchar_t* serviceName);
