#include "bench/runner/dispatch_calls.h"

namespace bench {

namespace {
// Arguments go in reverse order: the last parameter first.
HRESULT InvokeMethod(IDispatch* object, DISPID id, VARIANTARG* args, UINT count) {
    DISPPARAMS params = {args, nullptr, count, 0};
    return object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}
}  // namespace

HRESULT InvokeIsServerActive(IDispatch* object, BSTR name, LONG* context) {
    VARIANTARG args[2];
    V_VT(&args[0]) = VT_I4 | VT_BYREF;
    V_I4REF(&args[0]) = context;
    V_VT(&args[1]) = VT_BSTR;
    V_BSTR(&args[1]) = name;
    return InvokeMethod(object, kDispIdIsServerActive, args, 2);
}

HRESULT InvokeConnect(IDispatch* object, BSTR name, IUnknown** server) {
    *server = nullptr;
    VARIANTARG args[2];
    V_VT(&args[0]) = VT_UNKNOWN | VT_BYREF;
    V_UNKNOWNREF(&args[0]) = server;
    V_VT(&args[1]) = VT_BSTR;
    V_BSTR(&args[1]) = name;
    return InvokeMethod(object, kDispIdConnect, args, 2);
}

}  // namespace bench
