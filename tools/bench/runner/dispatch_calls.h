#pragma once
// The calls a script or late-bound client makes: IDispatch::Invoke with the
// DISPIDs of the type library (the baseline server uses the same DISPIDs).

#include <windows.h>

namespace bench {

inline constexpr DISPID kDispIdConnect = 0x60020003;
inline constexpr DISPID kDispIdIsServerActive = 0x60020004;

HRESULT InvokeIsServerActive(IDispatch* object, BSTR name, LONG* context);
// *server receives the object (one reference) or null.
HRESULT InvokeConnect(IDispatch* object, BSTR name, IUnknown** server);

}  // namespace bench
