#include "configurator/configurator_object.h"

#include <new>
#include <string>
#include <vector>

#include "configurator/config_store.h"
#include "configurator/configurator_lifetime.h"
#include "support/unique_resource.h"

namespace {

// Empties [out] parameters before anything can fail.
template <class T>
void Clear(T** out) {
    if (out) *out = nullptr;
}
template <class T>
void Zero(T* out) {
    if (out) *out = 0;
}

std::wstring Text(BSTR text) { return text ? text : L""; }

HRESULT NewString(const std::wstring& text, BSTR* out) {
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NewStringArray(const std::vector<std::wstring>& items, SAFEARRAY** out) {
    tesk::UniqueSafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size())));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        tesk::UniqueSysString item(::SysAllocString(items[i].c_str()));
        if (!item) return E_OUTOFMEMORY;
        HRESULT hr = ::SafeArrayPutElement(array.get(), &i, item.get());  // copies
        if (FAILED(hr)) return hr;
    }
    *out = array.release();
    return S_OK;
}

// The configuration and the rule file name: one stored text each per server.
using FileNameField = std::wstring ServerConfiguration::*;

HRESULT GetFileName(BSTR server, FileNameField field, BSTR* out) {
    if (!out) return E_POINTER;
    return NewString(ConfigStore::Instance().ForServer(server).*field, out);
}

HRESULT SetFileName(BSTR server, FileNameField field, BSTR name) {
    ConfigStore::Instance().ForServer(server).*field = Text(name);
    return S_OK;
}

// Not found in the store.
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
// A new name that is taken already.
const HRESULT kExists = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);

}  // namespace

HRESULT Configurator::Create(REFIID iid, void** object) {
    // The creator's reference goes with the owner: a failed query destroys the object.
    tesk::UniqueComPtr<Configurator> configurator(new (std::nothrow) Configurator());
    if (!configurator) return E_OUTOFMEMORY;
    return configurator->QueryInterface(iid, object);
}

Configurator::Configurator() { AddProcessReference(); }
Configurator::~Configurator() { ReleaseProcessReference(); }

STDMETHODIMP Configurator::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IIOSrvCfgPersist) {
        *object = static_cast<IIOSrvCfgPersist*>(this);
    } else if (iid == IID_IIoSrvCfgRules) {
        *object = static_cast<IIoSrvCfgRules*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Configurator::AddRef() { return ::InterlockedIncrement(&refCount_); }

STDMETHODIMP_(ULONG) Configurator::Release() {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return count;
}

// ---- configuration file --------------------------------------------------------

STDMETHODIMP Configurator::GetCfgFileName(BSTR ServerClsIdString, BSTR* pFileName) {
    return GetFileName(ServerClsIdString, &ServerConfiguration::configFileName, pFileName);
}

STDMETHODIMP Configurator::SetCfgFileName(BSTR ServerClsIdString, BSTR FileName) {
    return SetFileName(ServerClsIdString, &ServerConfiguration::configFileName, FileName);
}

STDMETHODIMP Configurator::EnumCfgSets(BSTR, SAFEARRAY** pConfigSets) {
    Clear(pConfigSets);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::SwitchToCfgSet(BSTR, BSTR) { return E_NOTIMPL; }
STDMETHODIMP Configurator::SaveCfgSetAs(BSTR, BSTR) { return E_NOTIMPL; }

// Forgets everything kept for the server.
STDMETHODIMP Configurator::ClearCfgFile(BSTR ServerClsIdString) {
    ConfigStore::Instance().Forget(ServerClsIdString);
    return S_OK;
}

STDMETHODIMP Configurator::DeleteCfgFile(BSTR, BSTR) { return E_NOTIMPL; }

// ---- hierarchy, topic and leaf objects: not stored yet ---------------------------

STDMETHODIMP Configurator::SetHierarchyObject(BSTR, BSTR, BSTR, BSTR, ULONG, BSTR*, VARIANT*) {
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetHierarchyObject(BSTR, BSTR, BSTR* pType, BSTR* pDelimiter,
                                              ULONG* pCount, BSTR** ppPropertyKeys,
                                              VARIANT** ppProperties) {
    Clear(pType);
    Clear(pDelimiter);
    Zero(pCount);
    Clear(ppPropertyKeys);
    Clear(ppProperties);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::RemoveHierarchyObject(BSTR, BSTR) { return E_NOTIMPL; }
STDMETHODIMP Configurator::RenameHierarchyObject(BSTR, BSTR, BSTR) { return E_NOTIMPL; }

STDMETHODIMP Configurator::SetTopicObject(BSTR, BSTR, BSTR, BSTR, LONG, ULONG, BSTR*, VARIANT*) {
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetTopicObject(BSTR, BSTR, BSTR, BSTR* pType, LONG* pUpdateInterval,
                                          ULONG* pCount, BSTR** ppPropertyKeys,
                                          VARIANT** ppProperties) {
    Clear(pType);
    Zero(pUpdateInterval);
    Zero(pCount);
    Clear(ppPropertyKeys);
    Clear(ppProperties);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::RemoveTopicObject(BSTR, BSTR, BSTR) { return E_NOTIMPL; }
STDMETHODIMP Configurator::RenameTopicObject(BSTR, BSTR, BSTR, BSTR) { return E_NOTIMPL; }

STDMETHODIMP Configurator::SetLeafObject(BSTR, BSTR, ULONG, BSTR, BSTR, BSTR, ULONG, BSTR*,
                                         VARIANT*) {
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetLeafObject(BSTR, BSTR, BSTR, ULONG* pLeafType, BSTR* pType,
                                         BSTR* pDelimiter, ULONG* pCount, BSTR** ppPropertyKeys,
                                         VARIANT** ppProperties) {
    Zero(pLeafType);
    Clear(pType);
    Clear(pDelimiter);
    Zero(pCount);
    Clear(ppPropertyKeys);
    Clear(ppProperties);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::RemoveLeafObject(BSTR, BSTR, BSTR) { return E_NOTIMPL; }
STDMETHODIMP Configurator::RenameLeafObject(BSTR, BSTR, BSTR, BSTR) { return E_NOTIMPL; }

STDMETHODIMP Configurator::BrowseHierarchyObjects(BSTR, BSTR, SAFEARRAY** pBranches,
                                                  SAFEARRAY** pLeaves, SAFEARRAY** pTopics) {
    Clear(pBranches);
    Clear(pLeaves);
    Clear(pTopics);
    return E_NOTIMPL;
}

// ---- data objects ----------------------------------------------------------------

STDMETHODIMP Configurator::SetDataObject(BSTR ServerClsIdString, BSTR Name, BSTR Type,
                                         ULONG dwCount, BSTR* pPropertyKeys,
                                         VARIANT* pProperties) {
    if (Text(Name).empty()) return E_INVALIDARG;
    DataObject object;
    object.type = Text(Type);
    HRESULT hr = object.properties.Assign(dwCount, pPropertyKeys, pProperties);
    if (FAILED(hr)) return hr;
    ConfigStore::Instance().ForServer(ServerClsIdString).dataObjects[Text(Name)] =
        std::move(object);
    return S_OK;
}

STDMETHODIMP Configurator::GetDataObject(BSTR ServerClsIdString, BSTR Name, BSTR* pType,
                                         ULONG* pCount, BSTR** ppPropertyKeys,
                                         VARIANT** ppProperties) {
    Clear(pType);
    Zero(pCount);
    Clear(ppPropertyKeys);
    Clear(ppProperties);
    if (!pType || !pCount || !ppPropertyKeys || !ppProperties) return E_POINTER;
    auto& objects = ConfigStore::Instance().ForServer(ServerClsIdString).dataObjects;
    auto found = objects.find(Text(Name));
    if (found == objects.end()) return kNotFound;
    tesk::UniqueSysString type;
    HRESULT hr = NewString(found->second.type, type.put());
    if (FAILED(hr)) return hr;
    hr = found->second.properties.CopyOut(pCount, ppPropertyKeys, ppProperties);
    if (FAILED(hr)) return hr;
    *pType = type.release();
    return S_OK;
}

STDMETHODIMP Configurator::RemoveDataObject(BSTR ServerClsIdString, BSTR Name) {
    auto& objects = ConfigStore::Instance().ForServer(ServerClsIdString).dataObjects;
    return objects.erase(Text(Name)) ? S_OK : kNotFound;
}

STDMETHODIMP Configurator::RenameDataObject(BSTR ServerClsIdString, BSTR OldName, BSTR NewName) {
    if (Text(NewName).empty()) return E_INVALIDARG;
    auto& objects = ConfigStore::Instance().ForServer(ServerClsIdString).dataObjects;
    auto found = objects.find(Text(OldName));
    if (found == objects.end()) return kNotFound;
    if (Text(OldName) == Text(NewName)) return S_OK;
    if (objects.count(Text(NewName))) return kExists;
    DataObject object = std::move(found->second);
    objects.erase(found);
    objects[Text(NewName)] = std::move(object);
    return S_OK;
}

STDMETHODIMP Configurator::BrowseDataObjects(BSTR ServerClsIdString, SAFEARRAY** pDataObjects) {
    Clear(pDataObjects);
    if (!pDataObjects) return E_POINTER;
    std::vector<std::wstring> names;
    for (const auto& entry : ConfigStore::Instance().ForServer(ServerClsIdString).dataObjects)
        names.push_back(entry.first);
    return NewStringArray(names, pDataObjects);
}

// ---- system object ---------------------------------------------------------------

STDMETHODIMP Configurator::SetSystemObject(BSTR ServerClsIdString, ULONG dwCount,
                                           BSTR* pPropertyKeys, VARIANT* pProperties) {
    PropertySet properties;
    HRESULT hr = properties.Assign(dwCount, pPropertyKeys, pProperties);
    if (FAILED(hr)) return hr;
    ServerConfiguration& server = ConfigStore::Instance().ForServer(ServerClsIdString);
    server.systemObject = std::move(properties);
    server.hasSystemObject = true;
    return S_OK;
}

STDMETHODIMP Configurator::GetSystemObject(BSTR ServerClsIdString, ULONG* pCount,
                                           BSTR** ppPropertyKeys, VARIANT** ppProperties) {
    Zero(pCount);
    Clear(ppPropertyKeys);
    Clear(ppProperties);
    if (!pCount || !ppPropertyKeys || !ppProperties) return E_POINTER;
    const ServerConfiguration& server = ConfigStore::Instance().ForServer(ServerClsIdString);
    if (!server.hasSystemObject) return kNotFound;
    return server.systemObject.CopyOut(pCount, ppPropertyKeys, ppProperties);
}

STDMETHODIMP Configurator::RemoveSystemObject(BSTR ServerClsIdString) {
    ServerConfiguration& server = ConfigStore::Instance().ForServer(ServerClsIdString);
    if (!server.hasSystemObject) return kNotFound;
    server.systemObject = PropertySet();
    server.hasSystemObject = false;
    return S_OK;
}

STDMETHODIMP Configurator::GetParentObject(BSTR, BSTR, BSTR* pbstrParentNode) {
    Clear(pbstrParentNode);
    return E_NOTIMPL;
}

// ---- rules -----------------------------------------------------------------------

STDMETHODIMP Configurator::GetCfgRuleFileName(BSTR ServerClsIdString, BSTR* pFileName) {
    return GetFileName(ServerClsIdString, &ServerConfiguration::ruleFileName, pFileName);
}

STDMETHODIMP Configurator::SetCfgRuleFileName(BSTR ServerClsIdString, BSTR pFileName) {
    return SetFileName(ServerClsIdString, &ServerConfiguration::ruleFileName, pFileName);
}

STDMETHODIMP Configurator::GetHostClsIds(BSTR, BSTR* pPackageClsIdString,
                                         BSTR* pEditorHostClsIdString) {
    Clear(pPackageClsIdString);
    Clear(pEditorHostClsIdString);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetRulesForObjectType(BSTR, BSTR, BSTR* pEditorClsIdString,
                                                 BSTR* pPackageClsIdString, BSTR* pDelimiter,
                                                 SAFEARRAY** ChildTopicTypes) {
    Clear(pEditorClsIdString);
    Clear(pPackageClsIdString);
    Clear(pDelimiter);
    Clear(ChildTopicTypes);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetRulesForTopicType(BSTR, BSTR, BSTR* pEditorClsIdString,
                                                BSTR* pPackageClsIdString, BSTR* pDelimiter) {
    Clear(pEditorClsIdString);
    Clear(pPackageClsIdString);
    Clear(pDelimiter);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetCfgChildRulesForObjectType(BSTR, BSTR, SAFEARRAY** ChildTypes,
                                                         SAFEARRAY** ChildTypesMaxOccurs,
                                                         SAFEARRAY** ChildTopicTypes,
                                                         LONG* pOptions) {
    Clear(ChildTypes);
    Clear(ChildTypesMaxOccurs);
    Clear(ChildTopicTypes);
    Zero(pOptions);
    return E_NOTIMPL;
}

STDMETHODIMP Configurator::GetCfgPropertyRulesForObjectType(
    BSTR, BSTR, BSTR* bstrDeviceGroupType, ULONG* pPropertyCount, BSTR** ppPropertyName,
    LONG** ppPropertyType, VARIANT** ppDefaultValue, VARIANT** ppPropertyMin,
    VARIANT** ppPropertyMax, BSTR** ppPropertyEditHeader, BSTR** ppPropertyEditUnit,
    BSTR** ppPropertyEditHelp, LONG** ppPropertyAccessRights, LONG** ppPropertyCustomHandler,
    VARIANT** ppOptionsEnum) {
    Clear(bstrDeviceGroupType);
    return GetCfgPropertyRulesForTopicType(
        nullptr, nullptr, pPropertyCount, ppPropertyName, ppPropertyType, ppDefaultValue,
        ppPropertyMin, ppPropertyMax, ppPropertyEditHeader, ppPropertyEditUnit,
        ppPropertyEditHelp, ppPropertyAccessRights, ppPropertyCustomHandler, ppOptionsEnum);
}

STDMETHODIMP Configurator::GetCfgPropertyRulesForTopicType(
    BSTR, BSTR, ULONG* pPropertyCount, BSTR** ppPropertyName, LONG** ppPropertyType,
    VARIANT** ppDefaultValue, VARIANT** ppPropertyMin, VARIANT** ppPropertyMax,
    BSTR** ppPropertyEditHeader, BSTR** ppPropertyEditUnit, BSTR** ppPropertyEditHelp,
    LONG** ppPropertyAccessRights, LONG** ppPropertyCustomHandler, VARIANT** ppOptionsEnum) {
    Zero(pPropertyCount);
    Clear(ppPropertyName);
    Clear(ppPropertyType);
    Clear(ppDefaultValue);
    Clear(ppPropertyMin);
    Clear(ppPropertyMax);
    Clear(ppPropertyEditHeader);
    Clear(ppPropertyEditUnit);
    Clear(ppPropertyEditHelp);
    Clear(ppPropertyAccessRights);
    Clear(ppPropertyCustomHandler);
    Clear(ppOptionsEnum);
    return E_NOTIMPL;
}
