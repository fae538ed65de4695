#pragma once
// Registration of the baseline server in the agent's style: class, ProgIDs and
// AppID keys as the agent's registry scripts write them, the type library from
// the executable's TYPELIB resource (also under locale 0, where Wine's typelib
// marshaler looks), and typelib-marshaler keys for the custom interfaces.

#include <windows.h>

// Both return 0 on success, else the failing HRESULT or Win32 code.
int RegisterBaseline(const wchar_t* exePath);
int UnregisterBaseline();
