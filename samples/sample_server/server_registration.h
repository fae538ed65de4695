#pragma once
// Self-registration of a sample TeskServer instance ("-RegServer" / "-UnregServer").

#include <windows.h>

#include "sample_server/server_options.h"

namespace tesk_sample {

// Writes the class (user-type name, AppID, LocalServer32 with the run options,
// InprocServer32 when the in-process module sits next to the executable), its
// ProgIDs, its AppID key, the TeskServer category and the type library that
// marshals IServerPropertySource.
HRESULT RegisterServer(const ServerOptions& options);

// Removes everything RegisterServer wrote for this instance; the type library
// goes with the last registered instance.
HRESULT UnregisterServer(const ServerOptions& options);

// File name of the in-process module, expected in the executable's folder.
extern const wchar_t kModuleFileName[];

}  // namespace tesk_sample
