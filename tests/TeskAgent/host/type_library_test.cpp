// The contract clients compile against, read back from the registered type
// library: one table of every method's vtable slot, member id and signature.
#include <gtest/gtest.h>

#include <comdef.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "TeskAgent_h.h"
#include "support/unique_resource.h"

namespace {

using InfoPtr = tesk::UniqueComPtr<ITypeInfo>;

std::wstring Text(const tesk::UniqueSysString& text) { return text ? text.get() : L""; }

std::wstring Render(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
        case VT_PTR: return Render(info, *type.lptdesc) + L"*";
        case VT_SAFEARRAY: return L"SAFEARRAY(" + Render(info, *type.lptdesc) + L")";
        case VT_BSTR: return L"BSTR";
        case VT_I4: return L"long";
        case VT_VARIANT: return L"VARIANT";
        case VT_UNKNOWN: return L"IUnknown*";
        case VT_USERDEFINED: {
            InfoPtr referenced;
            tesk::UniqueSysString name;
            if (SUCCEEDED(info->GetRefTypeInfo(type.hreftype, referenced.put())))
                referenced->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
            return Text(name);
        }
        default: return L"vt" + std::to_wstring(type.vt);
    }
}

// "Name(in BSTR ServerName, out BSTR* pConfigFile)"; every method returns HRESULT.
std::wstring Signature(ITypeInfo* info, const FUNCDESC& function) {
    BSTR received[16] = {};
    UINT count = 0;
    info->GetNames(function.memid, received, 16, &count);
    std::vector<tesk::UniqueSysString> names(received, received + count);
    std::wstring text = (count ? Text(names[0]) : L"") + L"(";
    for (SHORT p = 0; p < function.cParams; ++p) {
        const ELEMDESC& element = function.lprgelemdescParam[p];
        const USHORT flags = element.paramdesc.wParamFlags;
        if (p) text += L", ";
        text += (flags & PARAMFLAG_FIN) ? L"in " : L"";
        text += (flags & PARAMFLAG_FOUT) ? L"out " : L"";
        text += (flags & (PARAMFLAG_FRETVAL | PARAMFLAG_FOPT)) ? L"retval/optional " : L"";
        text += Render(info, element.tdesc) + L" " + (p + 1u < count ? Text(names[p + 1]) : L"?");
    }
    if (function.invkind != INVOKE_FUNC || function.elemdescFunc.tdesc.vt != VT_HRESULT)
        text += L" (not a plain HRESULT method)";
    return text + L")";
}

class TypeLibraryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::LoadRegTypeLib(LIBID_TESKAGENTLib, 1, 0, 0x409, library_.put()), S_OK);
    }
    InfoPtr Info(const GUID& guid) {
        InfoPtr info;
        EXPECT_EQ(library_->GetTypeInfoOfGuid(guid, info.put()), S_OK);
        return info;
    }
    // The vtable view: a dual interface's own description is behind its dispatch view.
    InfoPtr VtableInfo(const GUID& iid) {
        InfoPtr info = Info(iid);
        HREFTYPE reference = 0;
        InfoPtr vtable;
        if (info && SUCCEEDED(info->GetRefTypeOfImplType(-1, &reference)) &&
            SUCCEEDED(info->GetRefTypeInfo(reference, vtable.put())))
            return vtable;
        return info;
    }
    tesk::UniqueComPtr<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, LibraryAndItsSevenTypesInOrder) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 0x409u);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library_->ReleaseTLibAttr(attributes);
    tesk::UniqueSysString name, help, helpFile;
    ASSERT_EQ(library_->GetDocumentation(MEMBERID_NIL, name.put(), help.put(), nullptr,
                                         helpFile.put()),
              S_OK);
    EXPECT_EQ(Text(name), L"TESKAGENTLib");
    EXPECT_EQ(Text(help), L"TeskAgent 1.0 Type Library");
    EXPECT_EQ(helpFile.get(), nullptr);

    // Interface flags that matter: only the agent interface is dual.
    const WORD kFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    const WORD kDual = TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
    struct Expected {
        const wchar_t* name;
        TYPEKIND kind;
        const GUID* guid;
        const wchar_t* help;
        WORD flags;
    } const expected[] = {
        {L"IOSrvCfgPersist", TKIND_COCLASS, &CLSID_IOSrvCfgPersist, L"IOSrvCfgPersist Class",
         TYPEFLAG_FCANCREATE},
        {L"IIOSrvCfgPersist", TKIND_INTERFACE, &IID_IIOSrvCfgPersist,
         L"IIOSrvCfgPersist Interface", 0},
        {L"IIoSrvCfgRules", TKIND_INTERFACE, &IID_IIoSrvCfgRules, L"IIOSrvCfgRules Interface", 0},
        {L"Tesk_Agent", TKIND_COCLASS, &CLSID_Tesk_Agent, L"Tesk_Agent Class",
         TYPEFLAG_FCANCREATE},
        {L"ITesk_Agent", TKIND_DISPATCH, &IID_ITesk_Agent, L"ITesk_Agent Interface", kDual},
        {L"ITeskRot", TKIND_INTERFACE, &IID_ITeskRot, L"ITeskRot Interface", 0},
        {L"ITeskServerInfo", TKIND_INTERFACE, &IID_ITeskServerInfo,
         L"ITeskServerInfo Interface", 0},
    };
    ASSERT_EQ(library_->GetTypeInfoCount(), 7u);
    for (UINT i = 0; i < 7; ++i) {
        SCOPED_TRACE(expected[i].name);
        tesk::UniqueSysString typeName, typeHelp;
        library_->GetDocumentation(i, typeName.put(), typeHelp.put(), nullptr, nullptr);
        EXPECT_EQ(Text(typeName), expected[i].name);
        EXPECT_EQ(Text(typeHelp), expected[i].help);
        InfoPtr info;
        ASSERT_EQ(library_->GetTypeInfo(i, info.put()), S_OK);
        TYPEATTR* type = nullptr;
        info->GetTypeAttr(&type);
        EXPECT_EQ(type->typekind, expected[i].kind);
        EXPECT_TRUE(IsEqualGUID(type->guid, *expected[i].guid));
        EXPECT_EQ(type->wTypeFlags & (kFlags | TYPEFLAG_FCANCREATE), expected[i].flags);
        info->ReleaseTypeAttr(type);
    }
}

TEST_F(TypeLibraryTest, CoclassesListTheirInterfacesDefaultFirst) {
    struct Expected {
        const GUID* clsid;
        std::vector<const GUID*> interfaces;
    } const expected[] = {
        {&CLSID_Tesk_Agent, {&IID_ITesk_Agent, &IID_ITeskRot, &IID_ITeskServerInfo}},
        {&CLSID_IOSrvCfgPersist, {&IID_IIOSrvCfgPersist, &IID_IIoSrvCfgRules}},
    };
    for (const Expected& e : expected) {
        InfoPtr coclass = Info(*e.clsid);
        ASSERT_TRUE(coclass);
        TYPEATTR* type = nullptr;
        coclass->GetTypeAttr(&type);
        ASSERT_EQ(type->cImplTypes, e.interfaces.size());
        coclass->ReleaseTypeAttr(type);
        for (UINT i = 0; i < e.interfaces.size(); ++i) {
            INT flags = 0;
            coclass->GetImplTypeFlags(i, &flags);
            EXPECT_EQ(flags, i == 0 ? IMPLTYPEFLAG_FDEFAULT : 0) << "interface " << i;
            HREFTYPE reference = 0;
            InfoPtr implemented;
            ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &reference), S_OK);
            ASSERT_EQ(coclass->GetRefTypeInfo(reference, implemented.put()), S_OK);
            implemented->GetTypeAttr(&type);
            EXPECT_TRUE(IsEqualGUID(type->guid, *e.interfaces[i])) << "interface " << i;
            implemented->ReleaseTypeAttr(type);
        }
    }
}

// Every method of the agent's interfaces: vtable slot, member id and signature.
struct MethodRow {
    const GUID* iid;
    UINT slot;
    MEMBERID id;
    const wchar_t* signature;
};

const MethodRow kMethods[] = {
    {&IID_ITesk_Agent, 7, 0x60020000,
     L"GetInstalledServers(out SAFEARRAY(BSTR)* ServerNames, out SAFEARRAY(BSTR)* ServerGUID, "
     L"out SAFEARRAY(long)* ActiveStatus)"},
    {&IID_ITesk_Agent, 8, 0x60020001,
     L"GetActiveConfigFile(in BSTR ServerName, out BSTR* pConfigFile)"},
    {&IID_ITesk_Agent, 9, 0x60020002,
     L"GetTeskAgentOnRemoteNode(in BSTR RemoteNode, out IUnknown** pITeskAgent)"},
    {&IID_ITesk_Agent, 10, 0x60020003, L"Connect(in BSTR ServerName, out IUnknown** pUnkServer)"},
    {&IID_ITesk_Agent, 11, 0x60020004,
     L"IsServerActive(in BSTR ServerName, out long* dwActiveContext)"},
    {&IID_ITesk_Agent, 12, 0x60020005, L"StartServer(in BSTR ServerName)"},
    {&IID_ITesk_Agent, 13, 0x60020006, L"StopServer(in BSTR ServerName)"},
    {&IID_ITesk_Agent, 14, 0x60020007, L"GetConfigurator(out IUnknown** pUnkAccess)"},
    {&IID_ITesk_Agent, 15, 0x60020008,
     L"ConfigureNTService(in BSTR ServerName, in long nServiceType)"},
    {&IID_ITeskRot, 3, 0x60010000, L"TeskRotRegister(in BSTR ServerGUID, in VARIANT ServerID)"},
    {&IID_ITeskRot, 4, 0x60010001, L"TeskRotUnRegister(in BSTR ServerGUID)"},
    {&IID_ITeskRot, 5, 0x60010002,
     L"TeskRotGetActiveObject(in BSTR ServerGUID, out VARIANT* ServerID)"},
    {&IID_ITeskServerInfo, 3, 0x60010000,
     L"GetTeskServerPluginProgIDs(out SAFEARRAY(BSTR)* pProgIDs)"},
    {&IID_ITeskServerInfo, 4, 0x60010001,
     L"GetTeskServerProperties(in BSTR sServerName, in SAFEARRAY(long) propertyIDs, "
     L"out SAFEARRAY(VARIANT)* pProperties, out SAFEARRAY(long)* pErrors)"},
    {&IID_ITeskServerInfo, 5, 0x60010002,
     L"GetVersionAttributes(in BSTR sServerName, in BSTR sServerType, in SAFEARRAY(BSTR) "
     L"attributeNames, out SAFEARRAY(BSTR)* pAttributes, out SAFEARRAY(long)* pErrors)"},
};

// The configurator's interfaces by name only, in slot order from slot 3 and
// member id 0x60010000 (their clients use the proxy built from the definition).
struct NamesRow {
    const GUID* iid;
    const wchar_t* names;  // blank-separated
};
const NamesRow kConfiguratorMethods[] = {
    {&IID_IIOSrvCfgPersist,
     L"GetCfgFileName SetCfgFileName EnumCfgSets SwitchToCfgSet SaveCfgSetAs ClearCfgFile "
     L"DeleteCfgFile SetHierarchyObject GetHierarchyObject RemoveHierarchyObject "
     L"RenameHierarchyObject SetTopicObject GetTopicObject RemoveTopicObject RenameTopicObject "
     L"SetLeafObject GetLeafObject RemoveLeafObject RenameLeafObject BrowseHierarchyObjects "
     L"SetDataObject GetDataObject RemoveDataObject RenameDataObject BrowseDataObjects "
     L"SetSystemObject GetSystemObject RemoveSystemObject GetParentObject"},
    {&IID_IIoSrvCfgRules,
     L"GetCfgRuleFileName SetCfgRuleFileName GetHostClsIds GetRulesForObjectType "
     L"GetRulesForTopicType GetCfgChildRulesForObjectType GetCfgPropertyRulesForObjectType "
     L"GetCfgPropertyRulesForTopicType"},
};

TEST_F(TypeLibraryTest, EveryMethodHasItsSlotMemberIdAndSignature) {
    std::vector<MethodRow> rows(std::begin(kMethods), std::end(kMethods));
    std::vector<std::wstring> names;  // keeps the configurator rows' texts
    names.reserve(64);
    for (const NamesRow& list : kConfiguratorMethods) {
        std::wstring all = list.names;
        for (size_t at = 0, slot = 3; at < all.size(); ++slot) {
            size_t end = std::min(all.find(L' ', at), all.size());
            names.push_back(all.substr(at, end - at));
            rows.push_back({list.iid, static_cast<UINT>(slot),
                            static_cast<MEMBERID>(0x60010000 + slot - 3), names.back().c_str()});
            at = end + 1;
        }
    }
    const GUID* interfaces[] = {&IID_ITesk_Agent, &IID_ITeskRot, &IID_ITeskServerInfo,
                                &IID_IIOSrvCfgPersist, &IID_IIoSrvCfgRules};
    for (const GUID* iid : interfaces) {
        InfoPtr info = VtableInfo(*iid);
        ASSERT_TRUE(info);
        TYPEATTR* type = nullptr;
        info->GetTypeAttr(&type);
        UINT count = 0, firstSlot = ~0u;
        for (const MethodRow& row : rows)
            if (row.iid == iid) ++count, firstSlot = std::min(firstSlot, row.slot);
        EXPECT_EQ(type->typekind, TKIND_INTERFACE);
        EXPECT_EQ(type->cFuncs, count) << "every method is in the table";
        EXPECT_EQ(type->cVars, 0) << "the interfaces have no properties";
        EXPECT_EQ(type->cbSizeVft, (firstSlot + count) * sizeof(void*));
        if (iid == &IID_ITesk_Agent)
            EXPECT_EQ(type->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION),
                      TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
        info->ReleaseTypeAttr(type);
        const bool namesOnly = iid == &IID_IIOSrvCfgPersist || iid == &IID_IIoSrvCfgRules;
        for (const MethodRow& row : rows) {
            if (row.iid != iid) continue;
            FUNCDESC* function = nullptr;
            ASSERT_EQ(info->GetFuncDesc(row.slot - firstSlot, &function), S_OK);
            const std::wstring signature = Signature(info.get(), *function);
            SCOPED_TRACE(signature);
            EXPECT_EQ(function->oVft, static_cast<SHORT>(row.slot * sizeof(void*)));
            EXPECT_EQ(function->memid, row.id);
            EXPECT_EQ(function->cParamsOpt, 0);
            EXPECT_EQ(namesOnly ? signature.substr(0, signature.find(L'(')) : signature,
                      row.signature);
            info->ReleaseFuncDesc(function);
        }
    }
}

}  // namespace
