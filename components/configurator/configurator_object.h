#pragma once
// The configurator object (coclass IOSrvCfgPersist): edits the configuration
// of TeskServers for configuration tools.
//
// What it keeps so far (see config_store.h): configuration and rule file
// names, data objects and the system object, in memory. Configuration sets,
// hierarchy, topic and leaf objects and the rules are not stored yet: those
// methods answer E_NOTIMPL with every [out] parameter emptied, so the
// marshaler always has something valid to carry back.

#include <windows.h>

#include "TeskAgent_h.h"

class Configurator : public IIOSrvCfgPersist, public IIoSrvCfgRules {
public:
    static HRESULT Create(REFIID iid, void** object);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IIOSrvCfgPersist
    STDMETHODIMP GetCfgFileName(BSTR ServerClsIdString, BSTR* pFileName) override;
    STDMETHODIMP SetCfgFileName(BSTR ServerClsIdString, BSTR FileName) override;
    STDMETHODIMP EnumCfgSets(BSTR ServerClsIdString, SAFEARRAY** pConfigSets) override;
    STDMETHODIMP SwitchToCfgSet(BSTR ServerClsIdString, BSTR pConfigSet) override;
    STDMETHODIMP SaveCfgSetAs(BSTR ServerClsIdString, BSTR pConfigSet) override;
    STDMETHODIMP ClearCfgFile(BSTR ServerClsIdString) override;
    STDMETHODIMP DeleteCfgFile(BSTR bstrServerClsIdString, BSTR bstrConfigurationSet) override;
    STDMETHODIMP SetHierarchyObject(BSTR ServerClsIdString, BSTR Name, BSTR Type,
                                    BSTR Delimiter, ULONG dwCount, BSTR* pPropertyKeys,
                                    VARIANT* pProperties) override;
    STDMETHODIMP GetHierarchyObject(BSTR ServerClsIdString, BSTR Name, BSTR* pType,
                                    BSTR* pDelimiter, ULONG* pCount, BSTR** ppPropertyKeys,
                                    VARIANT** ppProperties) override;
    STDMETHODIMP RemoveHierarchyObject(BSTR ServerClsIdString, BSTR Name) override;
    STDMETHODIMP RenameHierarchyObject(BSTR ServerClsIdString, BSTR OldName,
                                       BSTR NewName) override;
    STDMETHODIMP SetTopicObject(BSTR ServerClsIdString, BSTR Name, BSTR Parent, BSTR Type,
                                LONG UpdateInterval, ULONG dwCount, BSTR* pPropertyKeys,
                                VARIANT* pProperties) override;
    STDMETHODIMP GetTopicObject(BSTR ServerClsIdString, BSTR Name, BSTR Parent, BSTR* pType,
                                LONG* pUpdateInterval, ULONG* pCount, BSTR** ppPropertyKeys,
                                VARIANT** ppProperties) override;
    STDMETHODIMP RemoveTopicObject(BSTR ServerClsIdString, BSTR Name, BSTR Parent) override;
    STDMETHODIMP RenameTopicObject(BSTR ServerClsIdString, BSTR OldName, BSTR Parent,
                                   BSTR NewName) override;
    STDMETHODIMP SetLeafObject(BSTR ServerClsIdString, BSTR Name, ULONG LeafType, BSTR Parent,
                               BSTR Type, BSTR Delimiter, ULONG dwCount, BSTR* pPropertyKeys,
                               VARIANT* pProperties) override;
    STDMETHODIMP GetLeafObject(BSTR ServerClsIdString, BSTR Name, BSTR Parent, ULONG* pLeafType,
                               BSTR* pType, BSTR* pDelimiter, ULONG* pCount,
                               BSTR** ppPropertyKeys, VARIANT** ppProperties) override;
    STDMETHODIMP RemoveLeafObject(BSTR ServerClsIdString, BSTR Name, BSTR Parent) override;
    STDMETHODIMP RenameLeafObject(BSTR ServerClsIdString, BSTR OldName, BSTR Parent,
                                  BSTR NewName) override;
    STDMETHODIMP BrowseHierarchyObjects(BSTR ServerClsIdString, BSTR BranchName,
                                        SAFEARRAY** pBranches, SAFEARRAY** pLeaves,
                                        SAFEARRAY** pTopics) override;
    STDMETHODIMP SetDataObject(BSTR ServerClsIdString, BSTR Name, BSTR Type, ULONG dwCount,
                               BSTR* pPropertyKeys, VARIANT* pProperties) override;
    STDMETHODIMP GetDataObject(BSTR ServerClsIdString, BSTR Name, BSTR* pType, ULONG* pCount,
                               BSTR** ppPropertyKeys, VARIANT** ppProperties) override;
    STDMETHODIMP RemoveDataObject(BSTR ServerClsIdString, BSTR Name) override;
    STDMETHODIMP RenameDataObject(BSTR ServerClsIdString, BSTR OldName, BSTR NewName) override;
    STDMETHODIMP BrowseDataObjects(BSTR ServerClsIdString, SAFEARRAY** pDataObjects) override;
    STDMETHODIMP SetSystemObject(BSTR ServerClsIdString, ULONG dwCount, BSTR* pPropertyKeys,
                                 VARIANT* pProperties) override;
    STDMETHODIMP GetSystemObject(BSTR ServerClsIdString, ULONG* pCount, BSTR** ppPropertyKeys,
                                 VARIANT** ppProperties) override;
    STDMETHODIMP RemoveSystemObject(BSTR ServerClsIdString) override;
    STDMETHODIMP GetParentObject(BSTR ServerClsIdString, BSTR bstrHierarchyName,
                                 BSTR* pbstrParentNode) override;

    // IIoSrvCfgRules
    STDMETHODIMP GetCfgRuleFileName(BSTR ServerClsIdString, BSTR* pFileName) override;
    STDMETHODIMP SetCfgRuleFileName(BSTR ServerClsIdString, BSTR pFileName) override;
    STDMETHODIMP GetHostClsIds(BSTR ServerClsIdString, BSTR* pPackageClsIdString,
                               BSTR* pEditorHostClsIdString) override;
    STDMETHODIMP GetRulesForObjectType(BSTR ServerClsIdString, BSTR ObjectType,
                                       BSTR* pEditorClsIdString, BSTR* pPackageClsIdString,
                                       BSTR* pDelimiter, SAFEARRAY** ChildTopicTypes) override;
    STDMETHODIMP GetRulesForTopicType(BSTR ServerClsIdString, BSTR TopicType,
                                      BSTR* pEditorClsIdString, BSTR* pPackageClsIdString,
                                      BSTR* pDelimiter) override;
    STDMETHODIMP GetCfgChildRulesForObjectType(BSTR ServerClsIdString, BSTR Type,
                                               SAFEARRAY** ChildTypes,
                                               SAFEARRAY** ChildTypesMaxOccurs,
                                               SAFEARRAY** ChildTopicTypes,
                                               LONG* pOptions) override;
    STDMETHODIMP GetCfgPropertyRulesForObjectType(
        BSTR bstrServerClsIdString, BSTR bstrType, BSTR* bstrDeviceGroupType,
        ULONG* pPropertyCount, BSTR** ppPropertyName, LONG** ppPropertyType,
        VARIANT** ppDefaultValue, VARIANT** ppPropertyMin, VARIANT** ppPropertyMax,
        BSTR** ppPropertyEditHeader, BSTR** ppPropertyEditUnit, BSTR** ppPropertyEditHelp,
        LONG** ppPropertyAccessRights, LONG** ppPropertyCustomHandler,
        VARIANT** ppOptionsEnum) override;
    STDMETHODIMP GetCfgPropertyRulesForTopicType(
        BSTR ServerClsIdString, BSTR TopicType, ULONG* pPropertyCount, BSTR** ppPropertyName,
        LONG** ppPropertyType, VARIANT** ppDefaultValue, VARIANT** ppPropertyMin,
        VARIANT** ppPropertyMax, BSTR** ppPropertyEditHeader, BSTR** ppPropertyEditUnit,
        BSTR** ppPropertyEditHelp, LONG** ppPropertyAccessRights,
        LONG** ppPropertyCustomHandler, VARIANT** ppOptionsEnum) override;

private:
    Configurator();
    virtual ~Configurator();
    volatile LONG refCount_ = 1;
};
