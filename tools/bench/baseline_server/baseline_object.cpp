#include "bench/baseline_server/baseline_object.h"

#include <new>

#include "bench/baseline_server/baseline_module.h"
#include "support/unique_resource.h"

namespace {

// What the out-parameters are filled with; process-wide, like the agent's table.
tesk::UniqueVariant g_heldObject;
tesk::UniqueSafeArray g_heldNames;
tesk::UniqueSafeArray g_heldGuids;
tesk::UniqueSafeArray g_heldStatus;

// The type information of IBenchBaseline, loaded on first need.
tesk::UniqueComPtr<ITypeInfo> g_typeInfo;

HRESULT EnsureTypeInfo(LCID locale) {
    if (g_typeInfo) return S_OK;
    tesk::UniqueComPtr<ITypeLib> library;
    HRESULT hr = ::LoadRegTypeLib(LIBID_BENCHBASELINELib, 1, 0, locale, library.put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(IID_IBenchBaseline, g_typeInfo.put());
}

HRESULT CopyOrEmpty(SAFEARRAY* held, VARTYPE type, SAFEARRAY** out) {
    if (!out) return E_POINTER;
    if (held) return ::SafeArrayCopy(held, out);
    *out = ::SafeArrayCreateVector(type, 0, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NullInterface(IUnknown** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_OK;
}

}  // namespace

void ReleaseBaselineState() {
    g_heldObject.reset();
    g_heldNames.reset();
    g_heldGuids.reset();
    g_heldStatus.reset();
    g_typeInfo.reset();
}

BaselineObject::BaselineObject() { baseline_module::Lock(); }
BaselineObject::~BaselineObject() { baseline_module::Unlock(); }

HRESULT BaselineObject::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    tesk::UniqueComPtr<BaselineObject> created(new (std::nothrow) BaselineObject());
    if (!created) return E_OUTOFMEMORY;
    created->AddRef();  // the owner's reference; a failed query destroys the object
    return created->QueryInterface(iid, object);
}

STDMETHODIMP BaselineObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IBenchBaseline) {
        *object = static_cast<IBenchBaseline*>(this);
    } else if (iid == IID_IBenchBaselineRot) {
        *object = static_cast<IBenchBaselineRot*>(this);
    } else if (iid == IID_IBenchBaselineSetup) {
        *object = static_cast<IBenchBaselineSetup*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BaselineObject::AddRef() { return ++refCount_; }

STDMETHODIMP_(ULONG) BaselineObject::Release() {
    LONG count = --refCount_;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP BaselineObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP BaselineObject::GetTypeInfo(UINT, LCID locale, ITypeInfo** typeInfo) {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    HRESULT hr = EnsureTypeInfo(locale);
    if (FAILED(hr)) return hr;
    g_typeInfo->AddRef();
    *typeInfo = g_typeInfo.get();
    return S_OK;
}

STDMETHODIMP BaselineObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                           DISPID* dispIds) {
    HRESULT hr = EnsureTypeInfo(locale);
    if (FAILED(hr)) return hr;
    return g_typeInfo->GetIDsOfNames(names, count, dispIds);
}

STDMETHODIMP BaselineObject::Invoke(DISPID dispId, REFIID, LCID locale, WORD flags,
                                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                    UINT* argError) {
    HRESULT hr = EnsureTypeInfo(locale);
    if (FAILED(hr)) return hr;
    return g_typeInfo->Invoke(static_cast<IBenchBaseline*>(this), dispId, flags, params, result,
                              exception, argError);
}

STDMETHODIMP BaselineObject::GetInstalledServers(SAFEARRAY** ServerNames, SAFEARRAY** ServerGUID,
                                                 SAFEARRAY** ActiveStatus) {
    HRESULT hr = CopyOrEmpty(g_heldNames.get(), VT_BSTR, ServerNames);
    if (SUCCEEDED(hr)) hr = CopyOrEmpty(g_heldGuids.get(), VT_BSTR, ServerGUID);
    if (SUCCEEDED(hr)) hr = CopyOrEmpty(g_heldStatus.get(), VT_I4, ActiveStatus);
    return hr;
}

STDMETHODIMP BaselineObject::GetActiveConfigFile(BSTR, BSTR* pConfigFile) {
    if (!pConfigFile) return E_POINTER;
    *pConfigFile = ::SysAllocString(L"");
    return S_OK;
}

STDMETHODIMP BaselineObject::GetTeskAgentOnRemoteNode(BSTR, IUnknown** pITeskAgent) {
    return NullInterface(pITeskAgent);
}

STDMETHODIMP BaselineObject::Connect(BSTR, IUnknown** pUnkServer) {
    if (!pUnkServer) return E_POINTER;
    *pUnkServer = nullptr;
    const VARIANT* held = g_heldObject.get();
    if (V_VT(held) == VT_UNKNOWN && V_UNKNOWN(held)) {
        *pUnkServer = V_UNKNOWN(held);
        (*pUnkServer)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP BaselineObject::IsServerActive(BSTR, LONG* dwActiveContext) {
    if (!dwActiveContext) return E_POINTER;
    *dwActiveContext = 0x00010001;
    return S_OK;
}

STDMETHODIMP BaselineObject::StartServer(BSTR) { return S_OK; }
STDMETHODIMP BaselineObject::StopServer(BSTR) { return S_OK; }
STDMETHODIMP BaselineObject::GetConfigurator(IUnknown** pUnkAccess) {
    return NullInterface(pUnkAccess);
}
STDMETHODIMP BaselineObject::ConfigureNTService(BSTR, LONG) { return S_OK; }

STDMETHODIMP BaselineObject::TeskRotRegister(BSTR, VARIANT ServerID) {
    return ::VariantCopy(g_heldObject.get(), &ServerID);
}

STDMETHODIMP BaselineObject::TeskRotUnRegister(BSTR) {
    return g_heldObject.reset();
}

STDMETHODIMP BaselineObject::TeskRotGetActiveObject(BSTR, VARIANT* ServerID) {
    if (!ServerID) return E_POINTER;
    return ::VariantCopy(ServerID, g_heldObject.get());
}

STDMETHODIMP BaselineObject::Empty() { return S_OK; }

STDMETHODIMP BaselineObject::HoldServerList(SAFEARRAY* ServerNames, SAFEARRAY* ServerGUID,
                                            SAFEARRAY* ActiveStatus) {
    if (!ServerNames || !ServerGUID || !ActiveStatus) return E_POINTER;
    HRESULT hr = ::SafeArrayCopy(ServerNames, g_heldNames.put());
    if (SUCCEEDED(hr)) hr = ::SafeArrayCopy(ServerGUID, g_heldGuids.put());
    if (SUCCEEDED(hr)) hr = ::SafeArrayCopy(ActiveStatus, g_heldStatus.put());
    return hr;
}
