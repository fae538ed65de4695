#pragma once
// Type information of ITesk_Agent for its IDispatch support, loaded from the
// registered type library on first need, with a cache of member names that
// answers GetIDsOfNames without asking the type information.

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "support/unique_resource.h"

class TypeInfoCache {
public:
    TypeInfoCache(const IID& iid, const GUID& libid, WORD major, WORD minor);
    ~TypeInfoCache();
    TypeInfoCache(const TypeInfoCache&) = delete;
    TypeInfoCache& operator=(const TypeInfoCache&) = delete;

    HRESULT GetTypeInfo(LCID locale, ITypeInfo** typeInfo);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* dispIds);
    HRESULT Invoke(IDispatch* object, DISPID dispId, LCID locale, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argError);

    // Releases the type information and the name cache (module termination).
    void Clear();

private:
    struct CachedName {
        tesk::UniqueSysString name;
        UINT length = 0;
        DISPID dispId = DISPID_UNKNOWN;
    };

    HRESULT EnsureLoaded(LCID locale);
    HRESULT Load(LCID locale);
    void BuildNameCache();
    static void CleanUp(void* cache);

    const IID& iid_;
    const GUID& libid_;
    WORD major_;
    WORD minor_;
    tesk::UniqueComPtr<ITypeInfo> typeInfo_;
    std::unique_ptr<CachedName[]> names_;
    UINT nameCount_ = 0;
};
