#pragma once
// A TeskServer as the lookups found it: its CLSID and the registry view that
// holds its class registration. 64-bit Windows keeps the classes of 32-bit
// servers in a view of their own; every lookup for one server reads the view
// kept here, so one server's answers never mix the entries of two views.

#include <windows.h>

namespace TeskAgentHelpers {

// The views, searched in this order: a class registered in both is the
// 64-bit one. A 64-bit process names its own view with no flag: the same keys,
// and Wine keeps a handle for good for every open below HKEY_CLASSES_ROOT that
// names a view.
#ifdef _WIN64
inline constexpr REGSAM k64BitView = 0;
#else
inline constexpr REGSAM k64BitView = KEY_WOW64_64KEY;
#endif
inline constexpr REGSAM k32BitView = KEY_WOW64_32KEY;

struct ServerIdentity {
    CLSID clsid = GUID_NULL;
    REGSAM view = k64BitView;

    bool IsKnown() const { return clsid != GUID_NULL; }
};

}  // namespace TeskAgentHelpers
