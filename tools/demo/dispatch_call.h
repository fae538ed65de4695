#pragma once
// Late-bound calls on the agent, as a script or automation client makes them:
// the DISPID by name (GetIDsOfNames), then Invoke.

#include <windows.h>

#include <string>
#include <vector>

// Looks the method up and invokes it with the arguments in their declared
// order (they are passed to Invoke in reverse, as IDispatch wants them).
// dispid receives the looked-up DISPID (DISPID_UNKNOWN when the look-up failed).
HRESULT InvokeByName(IDispatch* object, const wchar_t* method, const std::vector<VARIANT>& args,
                     DISPID* dispid, std::wstring* exceptionText);
