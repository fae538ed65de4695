#include "configurator/property_set.h"

HRESULT PropertySet::Assign(ULONG count, const BSTR* keys, const VARIANT* values) {
    if (count != 0 && (!keys || !values)) return E_POINTER;
    std::vector<std::wstring> newKeys;
    std::vector<std::shared_ptr<tesk::UniqueVariant>> newValues;
    for (ULONG i = 0; i < count; ++i) {
        newKeys.emplace_back(keys[i] ? keys[i] : L"");
        auto value = std::make_shared<tesk::UniqueVariant>();
        HRESULT hr = ::VariantCopy(value->get(), const_cast<VARIANT*>(&values[i]));
        if (FAILED(hr)) return hr;
        newValues.push_back(std::move(value));
    }
    keys_.swap(newKeys);
    values_.swap(newValues);
    return S_OK;
}

namespace {
// Task-memory arrays under construction: released with their elements unless
// handed out.
struct OutArrays {
    ULONG count = 0;
    BSTR* keys = nullptr;
    VARIANT* values = nullptr;
    ~OutArrays() {
        for (ULONG i = 0; keys && i < count; ++i) ::SysFreeString(keys[i]);
        for (ULONG i = 0; values && i < count; ++i) ::VariantClear(&values[i]);
        ::CoTaskMemFree(keys);
        ::CoTaskMemFree(values);
    }
};
}  // namespace

HRESULT PropertySet::CopyOut(ULONG* count, BSTR** keys, VARIANT** values) const {
    if (!count || !keys || !values) return E_POINTER;
    *count = 0;
    *keys = nullptr;
    *values = nullptr;
    if (keys_.empty()) return S_OK;

    OutArrays out;
    const ULONG size = static_cast<ULONG>(keys_.size());
    out.keys = static_cast<BSTR*>(::CoTaskMemAlloc(size * sizeof(BSTR)));
    out.values = static_cast<VARIANT*>(::CoTaskMemAlloc(size * sizeof(VARIANT)));
    if (!out.keys || !out.values) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < size; ++i) {
        out.keys[i] = nullptr;
        ::VariantInit(&out.values[i]);
    }
    out.count = size;
    for (ULONG i = 0; i < size; ++i) {
        out.keys[i] = ::SysAllocString(keys_[i].c_str());
        if (!out.keys[i]) return E_OUTOFMEMORY;
        HRESULT hr = ::VariantCopy(&out.values[i], const_cast<VARIANT*>(values_[i]->get()));
        if (FAILED(hr)) return hr;
    }
    *count = size;
    *keys = out.keys;
    *values = out.values;
    out.keys = nullptr;
    out.values = nullptr;
    out.count = 0;
    return S_OK;
}
