#pragma once
// The baseline object: the agent's interface shapes with bodies that only fill
// their out-parameters (from values handed to it beforehand), and IDispatch
// answered by the type information alone, as a server without a name cache does.

#include <windows.h>

#include "BenchBaseline_h.h"

// Releases what the objects handed out (held server object, arrays, type
// information); called before the apartment ends.
void ReleaseBaselineState();

class BaselineObject : public IBenchBaseline, public IBenchBaselineRot, public IBenchBaselineSetup {
public:
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* dispIds) override;
    STDMETHODIMP Invoke(DISPID dispId, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    STDMETHODIMP GetInstalledServers(SAFEARRAY** ServerNames, SAFEARRAY** ServerGUID,
                                     SAFEARRAY** ActiveStatus) override;
    STDMETHODIMP GetActiveConfigFile(BSTR ServerName, BSTR* pConfigFile) override;
    STDMETHODIMP GetTeskAgentOnRemoteNode(BSTR RemoteNode, IUnknown** pITeskAgent) override;
    STDMETHODIMP Connect(BSTR ServerName, IUnknown** pUnkServer) override;
    STDMETHODIMP IsServerActive(BSTR ServerName, LONG* dwActiveContext) override;
    STDMETHODIMP StartServer(BSTR ServerName) override;
    STDMETHODIMP StopServer(BSTR ServerName) override;
    STDMETHODIMP GetConfigurator(IUnknown** pUnkAccess) override;
    STDMETHODIMP ConfigureNTService(BSTR ServerName, LONG nServiceType) override;

    STDMETHODIMP TeskRotRegister(BSTR ServerGUID, VARIANT ServerID) override;
    STDMETHODIMP TeskRotUnRegister(BSTR ServerGUID) override;
    STDMETHODIMP TeskRotGetActiveObject(BSTR ServerGUID, VARIANT* ServerID) override;

    STDMETHODIMP Empty() override;
    STDMETHODIMP HoldServerList(SAFEARRAY* ServerNames, SAFEARRAY* ServerGUID,
                                SAFEARRAY* ActiveStatus) override;

private:
    BaselineObject();
    virtual ~BaselineObject();

    LONG refCount_ = 0;
};
