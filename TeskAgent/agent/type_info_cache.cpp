#include "agent/type_info_cache.h"

#include <new>

#include "diagnostics/returned_failure.h"
#include "host/server_module.h"

TypeInfoCache::TypeInfoCache(const IID& iid, const GUID& libid, WORD major, WORD minor)
    : iid_(iid), libid_(libid), major_(major), minor_(minor) {}

TypeInfoCache::~TypeInfoCache() { Clear(); }

void TypeInfoCache::Clear() {
    typeInfo_.reset();
    names_.reset();
    nameCount_ = 0;
}

void TypeInfoCache::CleanUp(void* cache) { static_cast<TypeInfoCache*>(cache)->Clear(); }

HRESULT TypeInfoCache::EnsureLoaded(LCID locale) {
    if (typeInfo_) return S_OK;
    ServerModule& module = ServerModule::Instance();
    ::EnterCriticalSection(&module.TypeInfoLock());
    HRESULT hr = typeInfo_ ? S_OK : Load(locale);
    ::LeaveCriticalSection(&module.TypeInfoLock());
    module.AddTermFunc(CleanUp, this);
    return hr;
}

HRESULT TypeInfoCache::Load(LCID locale) {
    tesk::UniqueComPtr<ITypeLib> library;
    HRESULT hr = ::LoadRegTypeLib(libid_, major_, minor_, locale, library.put());
    TESK_RETURN_IF_FAILED(hr);
    tesk::UniqueComPtr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(iid_, info.put());
    TESK_RETURN_IF_FAILED(hr);
    ITypeInfo2* info2 = nullptr;
    if (SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2))))
        info.reset(info2);
    typeInfo_ = std::move(info);
    BuildNameCache();
    return S_OK;
}

void TypeInfoCache::BuildNameCache() {
    TYPEATTR* attributes = nullptr;
    ITypeInfo* info = typeInfo_.get();
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    UINT count = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);

    names_.reset(new (std::nothrow) CachedName[count]);
    if (!names_) return;
    nameCount_ = count;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr)) &&
            name) {
            names_[i].name.reset(name);
            names_[i].length = ::SysStringLen(name);
            names_[i].dispId = function->memid;
        }
        info->ReleaseFuncDesc(function);
    }
}

HRESULT TypeInfoCache::GetTypeInfo(LCID locale, ITypeInfo** typeInfo) {
    TESK_RETURN_IF(!typeInfo, E_POINTER);
    *typeInfo = nullptr;
    HRESULT hr = EnsureLoaded(locale);
    TESK_RETURN_IF_FAILED(hr);
    typeInfo_->AddRef();
    *typeInfo = typeInfo_.get();
    return S_OK;
}

HRESULT TypeInfoCache::GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale,
                                     DISPID* dispIds) {
    HRESULT hr = EnsureLoaded(locale);
    TESK_RETURN_IF_FAILED(hr);
    TESK_RETURN_IF(!names || !dispIds, E_POINTER);
    for (UINT n = 0; n < count; ++n) {
        const wchar_t* wanted = names[n];
        UINT length = wanted ? static_cast<UINT>(::lstrlenW(wanted)) : 0;
        bool found = false;
        for (UINT i = nameCount_; i-- > 0;) {
            const CachedName& cached = names_[i];
            if (cached.name && cached.length == length &&
                ::memcmp(cached.name.get(), wanted, length * sizeof(wchar_t)) == 0) {
                dispIds[n] = cached.dispId;
                found = true;
                break;
            }
        }
        if (!found) {
            // Another spelling: the type information's own lookup answers the whole request.
            return typeInfo_->GetIDsOfNames(names, count, dispIds);
        }
    }
    return hr;
}

HRESULT TypeInfoCache::Invoke(IDispatch* object, DISPID dispId, LCID locale, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    HRESULT hr = EnsureLoaded(locale);
    TESK_RETURN_IF_FAILED(hr);
    return typeInfo_->Invoke(object, dispId, flags, params, result, exception, argError);
}
