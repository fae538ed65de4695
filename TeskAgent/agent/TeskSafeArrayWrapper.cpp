#include "agent/TeskSafeArrayWrapper.h"

#include <comdef.h>

TeskSafeArrayWrapper::TeskSafeArrayWrapper(VARTYPE elementType, ULONG count, bool owns)
    : array_(Create(elementType, count)), owns_(owns) {}

TeskSafeArrayWrapper::~TeskSafeArrayWrapper() {
    if (owns_ && array_) ::SafeArrayDestroy(array_);
}

SAFEARRAY* TeskSafeArrayWrapper::Create(VARTYPE elementType, ULONG count) {
    SAFEARRAYBOUND bound = {count, 0};
    return ::SafeArrayCreate(elementType, 1, &bound);
}

HRESULT TeskSafeArrayWrapper::Destroy() {
    if (!array_) return S_OK;
    HRESULT hr = ::SafeArrayDestroy(array_);
    array_ = nullptr;
    return hr;
}

ULONG TeskSafeArrayWrapper::GetCount() { return array_ ? array_->rgsabound[0].cElements : 0; }

HRESULT TeskSafeArrayWrapper::Resize(ULONG count) {
    SAFEARRAYBOUND bound = {count, 0};
    return ::SafeArrayRedim(array_, &bound);
}

SAFEARRAY* TeskSafeArrayWrapper::Detach(bool reset) {
    SAFEARRAY* held = array_;
    if (reset) array_ = nullptr;
    return held;
}

bool TeskSafeArrayWrapper::EnsureIndex(VARTYPE elementType, ULONG index) {
    // A failed creation (constructor or earlier SetAt) is tried again here.
    if (!array_) array_ = Create(elementType, index + 1);
    if (!array_) return false;
    // Growth by exactly the elements needed, no reserve.
    if (index >= GetCount() && FAILED(Resize(index + 1))) return false;
    return true;
}

bool TeskLongSafeArrayWrapper::SetAt(ULONG index, LONG value) {
    if (!EnsureIndex(index)) return false;
    LONG position = static_cast<LONG>(index);
    ::SafeArrayPutElement(array_, &position, &value);
    return true;
}

// SafeArrayPutElement may turn a null BSTR into an empty one (it does under
// Wine); a null string is to stay a null element, so the slot is set directly.
void TeskBstrSafeArrayWrapper::StoreNullString(LONG position) {
    if (FAILED(::SafeArrayLock(array_))) return;
    BSTR* slot = nullptr;
    if (SUCCEEDED(::SafeArrayPtrOfIndex(array_, &position, reinterpret_cast<void**>(&slot)))) {
        ::SysFreeString(*slot);
        *slot = nullptr;
    }
    ::SafeArrayUnlock(array_);
}

bool TeskBstrSafeArrayWrapper::SetAt(ULONG index, const wchar_t* value) {
    if (!EnsureIndex(index)) return false;
    LONG position = static_cast<LONG>(index);
    if (!value) {
        StoreNullString(position);
        return true;
    }
    // The temporary copy is freed on return; the array keeps a copy of its own.
    _bstr_t copy(value);
    ::SafeArrayPutElement(array_, &position, static_cast<wchar_t*>(copy));
    return true;
}

bool TeskVariantSafeArrayWrapper::SetAt(ULONG index, const VARIANT* value) {
    if (!EnsureIndex(index)) return false;
    LONG position = static_cast<LONG>(index);
    // A missing VARIANT leaves the element empty.
    if (value) ::SafeArrayPutElement(array_, &position, const_cast<VARIANT*>(value));
    return true;
}
