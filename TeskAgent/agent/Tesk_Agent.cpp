#include "agent/Tesk_Agent.h"

#include <new>

#include "agent/agent_ids.h"
#include "agent/nt_service_configuration.h"
#include "agent/server_activity.h"
#include "agent/server_connection.h"
#include "agent/server_discovery.h"
#include "agent/tesk_rot.h"
#include "agent/type_info_cache.h"
#include "diagnostics/com_eh.h"
#include "host/server_module.h"
#include "interfaces/ClassUtilities/ServerInformation.h"
#include "support/unique_resource.h"

namespace {
TypeInfoCache& AgentTypeInfo() {
    static TypeInfoCache cache(IID_ITesk_Agent, LIBID_TESKAGENTLib, kTypeLibMajor,
                               kTypeLibMinor);
    return cache;
}
}  // namespace

CTesk_Agent::CTesk_Agent() { ServerModule::Instance().Lock(); }

CTesk_Agent::~CTesk_Agent() { ServerModule::Instance().Unlock(); }

HRESULT CTesk_Agent::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    TESK_RETURN_IF(!object, E_POINTER);
    *object = nullptr;
    TESK_RETURN_IF(outer, CLASS_E_NOAGGREGATION);
    auto* created = new (std::nothrow) CTesk_Agent();
    TESK_RETURN_IF(!created, E_OUTOFMEMORY);
    created->AddRef();
    // The creation reference goes with the owner: a failed query destroys the
    // object (and its server lock).
    tesk::UniqueComPtr<CTesk_Agent> agent(created);
    return agent->QueryInterface(iid, object);
}

// ---- IUnknown -------------------------------------------------------------

STDMETHODIMP CTesk_Agent::QueryInterface(REFIID iid, void** object) {
    TESK_RETURN_IF(!object, E_POINTER);
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ITesk_Agent) {
        *object = static_cast<ITesk_Agent*>(this);
    } else if (iid == IID_ITeskRot) {
        *object = static_cast<ITeskRot*>(this);
    } else if (iid == IID_ITeskServerInfo) {
        *object = static_cast<ITeskServerInfo*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

// Only the apartment's thread calls the object: plain counting is enough.
STDMETHODIMP_(ULONG) CTesk_Agent::AddRef() { return ++refCount_; }

STDMETHODIMP_(ULONG) CTesk_Agent::Release() {
    LONG count = --refCount_;
    if (count == 0) delete this;
    return count;
}

// ---- IDispatch --------------------------------------------------------------

STDMETHODIMP CTesk_Agent::GetTypeInfoCount(UINT* count) {
    TESK_RETURN_IF(!count, E_POINTER);
    *count = 1;
    return S_OK;
}

STDMETHODIMP CTesk_Agent::GetTypeInfo(UINT, LCID locale, ITypeInfo** typeInfo) {
    return AgentTypeInfo().GetTypeInfo(locale, typeInfo);
}

STDMETHODIMP CTesk_Agent::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                        DISPID* dispIds) {
    return AgentTypeInfo().GetIDsOfNames(names, count, locale, dispIds);
}

STDMETHODIMP CTesk_Agent::Invoke(DISPID dispId, REFIID, LCID locale, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                 UINT* argError) {
    return AgentTypeInfo().Invoke(static_cast<ITesk_Agent*>(this), dispId, locale, flags, params,
                                  result, exception, argError);
}

// ---- ITesk_Agent --------------------------------------------------------------

STDMETHODIMP CTesk_Agent::GetInstalledServers(SAFEARRAY** ServerNames, SAFEARRAY** ServerGUID,
                                              SAFEARRAY** ActiveStatus) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        // Returned, not raised (without error information or a record): this method's
        // contract, unlike Connect and GetConfigurator, which raise.
        TESK_RETURN_IF(!ServerNames || !ServerGUID || !ActiveStatus, E_POINTER);
        return ListInstalledServers(ServerNames, ServerGUID, ActiveStatus);
    });
}

STDMETHODIMP CTesk_Agent::GetActiveConfigFile(BSTR ServerName, BSTR* pConfigFile) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        // Returned, not raised (without error information or a record): by contract.
        TESK_RETURN_IF(!pConfigFile, E_POINTER);
        return ReadActiveConfigFile(ServerName, pConfigFile);
    });
}

STDMETHODIMP CTesk_Agent::GetTeskAgentOnRemoteNode(BSTR RemoteNode, IUnknown** pITeskAgent) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        // Returned, not raised (without error information or a record): by contract.
        TESK_RETURN_IF(!pITeskAgent, E_POINTER);
        return CreateAgentOnNode(RemoteNode, pITeskAgent);
    });
}

STDMETHODIMP CTesk_Agent::Connect(BSTR ServerName, IUnknown** pUnkServer) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        if (!pUnkServer) TESK_RAISE(E_POINTER);
        return ConnectToServer(this, ServerName, pUnkServer);
    });
}

STDMETHODIMP CTesk_Agent::IsServerActive(BSTR ServerName, LONG* dwActiveContext) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        // Returned, not raised (without error information or a record): by contract.
        TESK_RETURN_IF(!dwActiveContext, E_POINTER);
        return ReportServerActivity(ServerName, dwActiveContext);
    });
}

STDMETHODIMP CTesk_Agent::StartServer(BSTR ServerName) {
    return TESK_METHOD_FRAME([&]() -> HRESULT { return StartTeskServer(ServerName); });
}

STDMETHODIMP CTesk_Agent::StopServer(BSTR ServerName) {
    return TESK_METHOD_FRAME([&]() -> HRESULT { return StopTeskServer(ServerName); });
}

STDMETHODIMP CTesk_Agent::GetConfigurator(IUnknown** pUnkAccess) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        if (!pUnkAccess) TESK_RAISE(E_POINTER);
        return CreateConfigurator(pUnkAccess);
    });
}

STDMETHODIMP CTesk_Agent::ConfigureNTService(BSTR ServerName, LONG nServiceType) {
    return TESK_METHOD_FRAME(
        [&]() -> HRESULT { return ConfigureServerService(ServerName, nServiceType); });
}

// ---- ITeskRot -------------------------------------------------------------------

STDMETHODIMP CTesk_Agent::TeskRotRegister(BSTR ServerGUID, VARIANT ServerID) {
    return TESK_METHOD_FRAME([&]() -> HRESULT { return tesk_rot::Register(ServerGUID, ServerID); });
}

STDMETHODIMP CTesk_Agent::TeskRotUnRegister(BSTR ServerGUID) {
    return TESK_METHOD_FRAME([&]() -> HRESULT { return tesk_rot::UnRegister(ServerGUID); });
}

STDMETHODIMP CTesk_Agent::TeskRotGetActiveObject(BSTR ServerGUID, VARIANT* ServerID) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        // Returned, not raised (without error information or a record): by contract.
        TESK_RETURN_IF(!ServerID, E_POINTER);
        return tesk_rot::GetActiveObject(ServerGUID, ServerID);
    });
}

// ---- ITeskServerInfo ----------------------------------------------------------------

STDMETHODIMP CTesk_Agent::GetTeskServerPluginProgIDs(SAFEARRAY** pProgIDs) {
    return TESK_METHOD_FRAME(
        [&]() -> HRESULT { return TeskAgentHelpers::ListPluginProgIds(pProgIDs); });
}

STDMETHODIMP CTesk_Agent::GetTeskServerProperties(BSTR sServerName, SAFEARRAY* propertyIDs,
                                                  SAFEARRAY** pProperties, SAFEARRAY** pErrors) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        return TeskAgentHelpers::ReadServerProperties(this, sServerName, propertyIDs, pProperties,
                                                      pErrors);
    });
}

STDMETHODIMP CTesk_Agent::GetVersionAttributes(BSTR sServerName, BSTR sServerType,
                                               SAFEARRAY* attributeNames,
                                               SAFEARRAY** pAttributes, SAFEARRAY** pErrors) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        return TeskAgentHelpers::ReadVersionAttributes(sServerName, sServerType, attributeNames,
                                                       pAttributes, pErrors);
    });
}
