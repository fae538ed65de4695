// The contract clients compile against, read back from the registered type library.
#include <gtest/gtest.h>

#include <comdef.h>

#include <string>
#include <vector>

#include "TeskAgent_h.h"

namespace {

struct Param {
    const wchar_t* name;
    const wchar_t* type;  // rendered as below, e.g. "BSTR", "SAFEARRAY(BSTR)*", "IUnknown**"
    USHORT flags;         // PARAMFLAG_FIN / PARAMFLAG_FOUT
};
struct Method {
    const wchar_t* name;
    MEMBERID id;
    std::vector<Param> params;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOut = PARAMFLAG_FOUT;

std::wstring Render(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
        case VT_PTR: return Render(info, *type.lptdesc) + L"*";
        case VT_SAFEARRAY: return L"SAFEARRAY(" + Render(info, *type.lptdesc) + L")";
        case VT_BSTR: return L"BSTR";
        case VT_I4: return L"long";
        case VT_UI4: return L"unsigned long";
        case VT_VARIANT: return L"VARIANT";
        case VT_UNKNOWN: return L"IUnknown*";  // the type itself is a pointer
        case VT_HRESULT: return L"HRESULT";
        case VT_USERDEFINED: {
            ITypeInfo* referenced = nullptr;
            BSTR name = nullptr;
            if (SUCCEEDED(info->GetRefTypeInfo(type.hreftype, &referenced))) {
                referenced->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
                referenced->Release();
            }
            std::wstring text = name ? name : L"?";
            ::SysFreeString(name);
            return text;
        }
        default: return L"vt" + std::to_wstring(type.vt);
    }
}

class TypeLibraryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::LoadRegTypeLib(LIBID_TESKAGENTLib, 1, 0, 0x409, &library_), S_OK);
    }
    void TearDown() override {
        if (library_) library_->Release();
    }

    ITypeInfo* Info(const GUID& guid) {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(library_->GetTypeInfoOfGuid(guid, &info), S_OK);
        return info;
    }

    // The vtable view of an interface: a dual interface's own description is
    // reached from its dispatch view.
    ITypeInfo* VtableInfo(const GUID& iid) {
        ITypeInfo* info = Info(iid);
        if (!info) return nullptr;
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        bool dispatchView = attributes->typekind == TKIND_DISPATCH;
        info->ReleaseTypeAttr(attributes);
        if (!dispatchView) return info;
        HREFTYPE reference = 0;
        ITypeInfo* vtable = nullptr;
        if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &reference)))
            info->GetRefTypeInfo(reference, &vtable);
        info->Release();
        return vtable;
    }

    void ExpectMethods(const GUID& iid, const std::vector<Method>& expected) {
        ITypeInfo* info = VtableInfo(iid);
        ASSERT_NE(info, nullptr);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        ASSERT_EQ(attributes->cFuncs, expected.size());
        EXPECT_EQ(attributes->cVars, 0) << "the interfaces have no properties";
        info->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < expected.size(); ++i) {
            const Method& method = expected[i];
            FUNCDESC* function = nullptr;
            ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
            BSTR names[16] = {};
            UINT count = 0;
            info->GetNames(function->memid, names, 16, &count);
            EXPECT_STREQ(names[0], method.name) << "slot " << i;
            EXPECT_EQ(function->memid, method.id) << method.name;
            EXPECT_EQ(function->invkind, INVOKE_FUNC) << method.name;
            EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT) << method.name;
            EXPECT_EQ(function->cParamsOpt, 0) << method.name;
            ASSERT_EQ(static_cast<size_t>(function->cParams), method.params.size()) << method.name;
            for (size_t p = 0; p < method.params.size(); ++p) {
                const ELEMDESC& element = function->lprgelemdescParam[p];
                EXPECT_STREQ(names[p + 1], method.params[p].name) << method.name;
                EXPECT_EQ(Render(info, element.tdesc), method.params[p].type)
                    << method.name << " " << method.params[p].name;
                USHORT direction = element.paramdesc.wParamFlags & (kIn | kOut | PARAMFLAG_FRETVAL |
                                                                    PARAMFLAG_FOPT);
                EXPECT_EQ(direction, method.params[p].flags)
                    << method.name << " " << method.params[p].name;
            }
            for (UINT n = 0; n < count; ++n) ::SysFreeString(names[n]);
            info->ReleaseFuncDesc(function);
        }
        info->Release();
    }

    ITypeLib* library_ = nullptr;
};

TEST_F(TypeLibraryTest, LibraryIdentity) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_TESKAGENTLib));
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 0x409u);
#ifdef _WIN64
    EXPECT_EQ(attributes->syskind, SYS_WIN64);
#else
    EXPECT_EQ(attributes->syskind, SYS_WIN32);
#endif
    library_->ReleaseTLibAttr(attributes);

    BSTR name = nullptr, help = nullptr, helpFile = nullptr;
    ASSERT_EQ(library_->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, &helpFile), S_OK);
    EXPECT_STREQ(name, L"TESKAGENTLib");
    EXPECT_STREQ(help, L"TeskAgent 1.0 Type Library");
    EXPECT_EQ(helpFile, nullptr);
    ::SysFreeString(name);
    ::SysFreeString(help);
    ::SysFreeString(helpFile);
}

TEST_F(TypeLibraryTest, SevenTypeDescriptionsInOrder) {
    struct Expected {
        const wchar_t* name;
        TYPEKIND kind;
        const GUID* guid;
        const wchar_t* help;
    };
    const Expected expected[] = {
        {L"IOSrvCfgPersist", TKIND_COCLASS, &CLSID_IOSrvCfgPersist, L"IOSrvCfgPersist Class"},
        {L"IIOSrvCfgPersist", TKIND_INTERFACE, &IID_IIOSrvCfgPersist, L"IIOSrvCfgPersist Interface"},
        {L"IIoSrvCfgRules", TKIND_INTERFACE, &IID_IIoSrvCfgRules, L"IIOSrvCfgRules Interface"},
        {L"Tesk_Agent", TKIND_COCLASS, &CLSID_Tesk_Agent, L"Tesk_Agent Class"},
        {L"ITesk_Agent", TKIND_DISPATCH, &IID_ITesk_Agent, L"ITesk_Agent Interface"},
        {L"ITeskRot", TKIND_INTERFACE, &IID_ITeskRot, L"ITeskRot Interface"},
        {L"ITeskServerInfo", TKIND_INTERFACE, &IID_ITeskServerInfo, L"ITeskServerInfo Interface"},
    };
    ASSERT_EQ(library_->GetTypeInfoCount(), 7u);
    for (UINT i = 0; i < 7; ++i) {
        TYPEKIND kind;
        EXPECT_EQ(library_->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, expected[i].kind) << "index " << i;
        BSTR name = nullptr, help = nullptr;
        library_->GetDocumentation(i, &name, &help, nullptr, nullptr);
        EXPECT_STREQ(name, expected[i].name) << "index " << i;
        EXPECT_STREQ(help, expected[i].help) << "index " << i;
        ::SysFreeString(name);
        ::SysFreeString(help);
        ITypeInfo* info = nullptr;
        ASSERT_EQ(library_->GetTypeInfo(i, &info), S_OK);
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        EXPECT_TRUE(IsEqualGUID(attributes->guid, *expected[i].guid)) << "index " << i;
        info->ReleaseTypeAttr(attributes);
        info->Release();
    }
}

TEST_F(TypeLibraryTest, OnlyTheAgentInterfaceIsDual) {
    struct Expected {
        const GUID* iid;
        WORD flags;
    };
    const Expected expected[] = {
        {&IID_ITesk_Agent, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE},
        {&IID_ITeskRot, 0},
        {&IID_ITeskServerInfo, 0},
        {&IID_IIOSrvCfgPersist, 0},
        {&IID_IIoSrvCfgRules, 0},
    };
    const WORD interesting = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    for (const Expected& e : expected) {
        ITypeInfo* info = Info(*e.iid);
        ASSERT_NE(info, nullptr);
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        EXPECT_EQ(attributes->wTypeFlags & interesting, e.flags);
        info->ReleaseTypeAttr(attributes);
        info->Release();
    }
    ITypeInfo* vtable = VtableInfo(IID_ITesk_Agent);
    ASSERT_NE(vtable, nullptr);
    TYPEATTR* attributes = nullptr;
    vtable->GetTypeAttr(&attributes);
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes->wTypeFlags & interesting,
              TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attributes->cbSizeVft, (7 + 9) * sizeof(void*));
    vtable->ReleaseTypeAttr(attributes);
    vtable->Release();
}

TEST_F(TypeLibraryTest, CoclassesListTheirInterfacesInOrder) {
    struct Expected {
        const GUID* clsid;
        std::vector<const GUID*> interfaces;
    };
    const Expected expected[] = {
        {&CLSID_Tesk_Agent, {&IID_ITesk_Agent, &IID_ITeskRot, &IID_ITeskServerInfo}},
        {&CLSID_IOSrvCfgPersist, {&IID_IIOSrvCfgPersist, &IID_IIoSrvCfgRules}},
    };
    for (const Expected& e : expected) {
        ITypeInfo* coclass = Info(*e.clsid);
        ASSERT_NE(coclass, nullptr);
        TYPEATTR* attributes = nullptr;
        coclass->GetTypeAttr(&attributes);
        EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
        ASSERT_EQ(attributes->cImplTypes, e.interfaces.size());
        coclass->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < e.interfaces.size(); ++i) {
            INT flags = 0;
            coclass->GetImplTypeFlags(i, &flags);
            EXPECT_EQ(flags, i == 0 ? IMPLTYPEFLAG_FDEFAULT : 0) << "interface " << i;
            HREFTYPE reference = 0;
            ITypeInfo* implemented = nullptr;
            ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &reference), S_OK);
            ASSERT_EQ(coclass->GetRefTypeInfo(reference, &implemented), S_OK);
            TYPEATTR* implementedAttributes = nullptr;
            implemented->GetTypeAttr(&implementedAttributes);
            EXPECT_TRUE(IsEqualGUID(implementedAttributes->guid, *e.interfaces[i]))
                << "interface " << i;
            implemented->ReleaseTypeAttr(implementedAttributes);
            implemented->Release();
        }
        coclass->Release();
    }
}

TEST_F(TypeLibraryTest, AgentInterfaceMethods) {
    ExpectMethods(
        IID_ITesk_Agent,
        {{L"GetInstalledServers", 0x60020000,
          {{L"ServerNames", L"SAFEARRAY(BSTR)*", kOut},
           {L"ServerGUID", L"SAFEARRAY(BSTR)*", kOut},
           {L"ActiveStatus", L"SAFEARRAY(long)*", kOut}}},
         {L"GetActiveConfigFile", 0x60020001,
          {{L"ServerName", L"BSTR", kIn}, {L"pConfigFile", L"BSTR*", kOut}}},
         {L"GetTeskAgentOnRemoteNode", 0x60020002,
          {{L"RemoteNode", L"BSTR", kIn}, {L"pITeskAgent", L"IUnknown**", kOut}}},
         {L"Connect", 0x60020003,
          {{L"ServerName", L"BSTR", kIn}, {L"pUnkServer", L"IUnknown**", kOut}}},
         {L"IsServerActive", 0x60020004,
          {{L"ServerName", L"BSTR", kIn}, {L"dwActiveContext", L"long*", kOut}}},
         {L"StartServer", 0x60020005, {{L"ServerName", L"BSTR", kIn}}},
         {L"StopServer", 0x60020006, {{L"ServerName", L"BSTR", kIn}}},
         {L"GetConfigurator", 0x60020007, {{L"pUnkAccess", L"IUnknown**", kOut}}},
         {L"ConfigureNTService", 0x60020008,
          {{L"ServerName", L"BSTR", kIn}, {L"nServiceType", L"long", kIn}}}});
}

TEST_F(TypeLibraryTest, CustomAgentInterfacesMethods) {
    ExpectMethods(IID_ITeskRot,
                  {{L"TeskRotRegister", 0x60010000,
                    {{L"ServerGUID", L"BSTR", kIn}, {L"ServerID", L"VARIANT", kIn}}},
                   {L"TeskRotUnRegister", 0x60010001, {{L"ServerGUID", L"BSTR", kIn}}},
                   {L"TeskRotGetActiveObject", 0x60010002,
                    {{L"ServerGUID", L"BSTR", kIn}, {L"ServerID", L"VARIANT*", kOut}}}});
    ExpectMethods(
        IID_ITeskServerInfo,
        {{L"GetTeskServerPluginProgIDs", 0x60010000, {{L"pProgIDs", L"SAFEARRAY(BSTR)*", kOut}}},
         {L"GetTeskServerProperties", 0x60010001,
          {{L"sServerName", L"BSTR", kIn},
           {L"propertyIDs", L"SAFEARRAY(long)", kIn},
           {L"pProperties", L"SAFEARRAY(VARIANT)*", kOut},
           {L"pErrors", L"SAFEARRAY(long)*", kOut}}},
         {L"GetVersionAttributes", 0x60010002,
          {{L"sServerName", L"BSTR", kIn},
           {L"sServerType", L"BSTR", kIn},
           {L"attributeNames", L"SAFEARRAY(BSTR)", kIn},
           {L"pAttributes", L"SAFEARRAY(BSTR)*", kOut},
           {L"pErrors", L"SAFEARRAY(long)*", kOut}}}});
}

TEST_F(TypeLibraryTest, ConfiguratorInterfacesMethodOrder) {
    const wchar_t* persist[] = {
        L"GetCfgFileName", L"SetCfgFileName", L"EnumCfgSets", L"SwitchToCfgSet",
        L"SaveCfgSetAs", L"ClearCfgFile", L"DeleteCfgFile", L"SetHierarchyObject",
        L"GetHierarchyObject", L"RemoveHierarchyObject", L"RenameHierarchyObject",
        L"SetTopicObject", L"GetTopicObject", L"RemoveTopicObject", L"RenameTopicObject",
        L"SetLeafObject", L"GetLeafObject", L"RemoveLeafObject", L"RenameLeafObject",
        L"BrowseHierarchyObjects", L"SetDataObject", L"GetDataObject", L"RemoveDataObject",
        L"RenameDataObject", L"BrowseDataObjects", L"SetSystemObject", L"GetSystemObject",
        L"RemoveSystemObject", L"GetParentObject"};
    const wchar_t* rules[] = {L"GetCfgRuleFileName", L"SetCfgRuleFileName", L"GetHostClsIds",
                              L"GetRulesForObjectType", L"GetRulesForTopicType",
                              L"GetCfgChildRulesForObjectType",
                              L"GetCfgPropertyRulesForObjectType",
                              L"GetCfgPropertyRulesForTopicType"};
    struct Expected {
        const GUID* iid;
        const wchar_t* const* names;
        UINT count;
    };
    for (const Expected& e : {Expected{&IID_IIOSrvCfgPersist, persist, 29},
                              Expected{&IID_IIoSrvCfgRules, rules, 8}}) {
        ITypeInfo* info = Info(*e.iid);
        ASSERT_NE(info, nullptr);
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        ASSERT_EQ(attributes->cFuncs, e.count);
        info->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < e.count; ++i) {
            FUNCDESC* function = nullptr;
            ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
            EXPECT_EQ(function->memid, static_cast<MEMBERID>(0x60010000 + i));
            BSTR name = nullptr;
            info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr);
            EXPECT_STREQ(name, e.names[i]);
            ::SysFreeString(name);
            info->ReleaseFuncDesc(function);
        }
        info->Release();
    }
}

}  // namespace
