#pragma once
// Creating, changing and deleting a TeskServer's NT service in the Service
// Control Manager of the local machine. Each step returns an HRESULT (a Win32
// failure as tesk::Win32Result); the caller turns failures into warnings.

#include <windows.h>

#include <string>

// Changes only the start type of an existing service (demand or, with
// automaticStart, auto start); creates a missing one as an own-process,
// interactive LocalSystem service whose binary path is the command line
// followed by " -service". Fails for a null or empty name, when the manager
// cannot be opened, or when the change or creation fails.
HRESULT InstallServerService(const wchar_t* serviceName, const std::wstring& commandLine,
                             bool automaticStart);

// Replaces the service's dependencies by a double-null-terminated list.
// Succeeds without change when the service cannot be opened or read (it was
// not installed); fails when the manager cannot be opened or the change fails.
HRESULT SetServiceDependency(const wchar_t* serviceName, const wchar_t* dependencies);

// Marks the service for deletion without stopping it first: the system removes
// it once it has stopped. Fails for a null name or when any step fails.
HRESULT DeleteServerService(const wchar_t* serviceName);
