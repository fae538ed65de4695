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

HRESULT PropertySet::CopyOut(ULONG* count, BSTR** keys, VARIANT** values) const {
    if (!count || !keys || !values) return E_POINTER;
    *count = 0;
    *keys = nullptr;
    *values = nullptr;
    if (keys_.empty()) return S_OK;

    const ULONG size = static_cast<ULONG>(keys_.size());
    tesk::UniqueCoTaskMem<BSTR> keyArray(::CoTaskMemAlloc(size * sizeof(BSTR)));
    tesk::UniqueCoTaskMem<VARIANT> valueArray(::CoTaskMemAlloc(size * sizeof(VARIANT)));
    if (!keyArray || !valueArray) return E_OUTOFMEMORY;
    // The copies stay with their owners until every one of them was made.
    std::vector<tesk::UniqueSysString> keyCopies;
    std::vector<tesk::UniqueVariant> valueCopies(size);
    for (ULONG i = 0; i < size; ++i) {
        keyCopies.emplace_back(::SysAllocString(keys_[i].c_str()));
        if (!keyCopies.back()) return E_OUTOFMEMORY;
        HRESULT hr = ::VariantCopy(valueCopies[i].get(), const_cast<VARIANT*>(values_[i]->get()));
        if (FAILED(hr)) return hr;
    }
    for (ULONG i = 0; i < size; ++i) {
        keyArray.get()[i] = keyCopies[i].release();
        valueArray.get()[i] = valueCopies[i].release();
    }
    *count = size;
    *keys = keyArray.get();
    *values = valueArray.get();
    keyArray.release();
    valueArray.release();
    return S_OK;
}
