#include "demo/dispatch_call.h"

#include "support/unique_resource.h"

HRESULT InvokeByName(IDispatch* object, const wchar_t* method, const std::vector<VARIANT>& args,
                     DISPID* dispid, std::wstring* exceptionText) {
    *dispid = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(method);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, dispid);
    if (FAILED(hr)) return hr;

    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    tesk::UniqueVariant result;
    hr = object->Invoke(*dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                        result.get(), &exception, &badArgument);
    // The strings the object may have filled in, whatever it returned.
    tesk::UniqueSysString source(exception.bstrSource), description(exception.bstrDescription),
        helpFile(exception.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION) {
        if (exceptionText && description) *exceptionText = description.get();
        if (exception.scode) hr = exception.scode;
    }
    return hr;
}
