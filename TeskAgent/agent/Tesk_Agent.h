#pragma once
// The agent object: one per creation request, with no state of its own. Every
// agent object of the process shares the process-wide state (the Tesk ROT).

#include <windows.h>

#include "TeskAgent_h.h"

class CTesk_Agent : public ITesk_Agent, public ITeskRot, public ITeskServerInfo {
public:
    // The instance-creation function of the class object; aggregation is never supported.
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object);

    // IUnknown, one identity for all three interfaces.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch of ITesk_Agent.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* dispIds) override;
    STDMETHODIMP Invoke(DISPID dispId, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // ITesk_Agent
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

    // ITeskRot
    STDMETHODIMP TeskRotRegister(BSTR ServerGUID, VARIANT ServerID) override;
    STDMETHODIMP TeskRotUnRegister(BSTR ServerGUID) override;
    STDMETHODIMP TeskRotGetActiveObject(BSTR ServerGUID, VARIANT* ServerID) override;

    // ITeskServerInfo
    STDMETHODIMP GetTeskServerPluginProgIDs(SAFEARRAY** pProgIDs) override;
    STDMETHODIMP GetTeskServerProperties(BSTR sServerName, SAFEARRAY* propertyIDs,
                                         SAFEARRAY** pProperties, SAFEARRAY** pErrors) override;
    STDMETHODIMP GetVersionAttributes(BSTR sServerName, BSTR sServerType,
                                      SAFEARRAY* attributeNames, SAFEARRAY** pAttributes,
                                      SAFEARRAY** pErrors) override;

private:
    CTesk_Agent();  // takes one server lock
    virtual ~CTesk_Agent();  // releases it

    LONG refCount_ = 0;
};
