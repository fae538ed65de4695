#pragma once
// The named events by which a running TeskServer makes itself known:
// "Global\{CLSID}_INPROC" exists while it runs, "Global\{CLSID}_FORCE" while it
// accepts a stop request (setting it asks the server to end).

#include <windows.h>

#include <string>

#include "support/unique_resource.h"

// Opens "Global\" + name, falling back to the plain name (a system without the
// global namespace), and makes both attempts once more before giving up.
tesk::UniqueKernelHandle OpenNamedEvent(DWORD desiredAccess, BOOL inherit, const wchar_t* name);

inline constexpr wchar_t kPresenceEventSuffix[] = L"_INPROC";
inline constexpr wchar_t kStopEventSuffix[] = L"_FORCE";
