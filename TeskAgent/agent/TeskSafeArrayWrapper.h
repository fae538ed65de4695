#pragma once
// Builders of the one-dimensional, zero-based SAFEARRAYs that the agent hands
// to its clients. A method constructs one owning wrapper per [out] array,
// appends with SetAt and hands the array over with Detach(true); a failure
// part-way leaves the partly built array to the wrapper, which destroys it.

#include <windows.h>
#include <oleauto.h>

class TeskSafeArrayWrapper {
public:
    TeskSafeArrayWrapper(VARTYPE elementType, ULONG count, bool owns);
    virtual ~TeskSafeArrayWrapper();
    TeskSafeArrayWrapper(const TeskSafeArrayWrapper&) = delete;
    TeskSafeArrayWrapper& operator=(const TeskSafeArrayWrapper&) = delete;

    // Destroys the held array, if any, and forgets it.
    virtual HRESULT Destroy();
    // Element count of the held array; 0 without one.
    virtual ULONG GetCount();
    // Redimensions the held array to count elements, lower bound 0.
    virtual HRESULT Resize(ULONG count);
    // Hands out the held array. With reset the wrapper lets go of it; without,
    // it keeps holding it (so it must not own it).
    virtual SAFEARRAY* Detach(bool reset);

protected:
    static SAFEARRAY* Create(VARTYPE elementType, ULONG count);
    // The element-type specific part of SetAt: creation and growth up to index.
    bool EnsureIndex(VARTYPE elementType, ULONG index);

    SAFEARRAY* array_ = nullptr;
    bool owns_;
};

// The derived wrappers create an array of their own type whenever they need one.
template <VARTYPE ElementType>
class TeskTypedSafeArrayWrapper : public TeskSafeArrayWrapper {
public:
    explicit TeskTypedSafeArrayWrapper(ULONG count = 0, bool owns = false)
        : TeskSafeArrayWrapper(ElementType, count, owns) {}
    ~TeskTypedSafeArrayWrapper() override = default;

    HRESULT Resize(ULONG count) override {
        if (array_) return TeskSafeArrayWrapper::Resize(count);
        array_ = Create(ElementType, count);
        return array_ ? S_OK : E_FAIL;
    }

    // With reset the wrapper at once holds a new empty array.
    SAFEARRAY* Detach(bool reset) override {
        SAFEARRAY* held = array_;
        if (reset) array_ = Create(ElementType, 0);
        return held;
    }

protected:
    bool EnsureIndex(ULONG index) { return TeskSafeArrayWrapper::EnsureIndex(ElementType, index); }
};

class TeskLongSafeArrayWrapper : public TeskTypedSafeArrayWrapper<VT_I4> {
public:
    using TeskTypedSafeArrayWrapper::TeskTypedSafeArrayWrapper;
    ~TeskLongSafeArrayWrapper() override = default;
    bool SetAt(ULONG index, LONG value);
};

class TeskBstrSafeArrayWrapper : public TeskTypedSafeArrayWrapper<VT_BSTR> {
public:
    using TeskTypedSafeArrayWrapper::TeskTypedSafeArrayWrapper;
    ~TeskBstrSafeArrayWrapper() override = default;
    // The element gets its own copy; a null string stays a null BSTR. Throws
    // _com_error(E_OUTOFMEMORY) when a non-null string cannot be copied.
    bool SetAt(ULONG index, const wchar_t* value);

private:
    void StoreNullString(LONG position);
};

class TeskVariantSafeArrayWrapper : public TeskTypedSafeArrayWrapper<VT_VARIANT> {
public:
    using TeskTypedSafeArrayWrapper::TeskTypedSafeArrayWrapper;
    ~TeskVariantSafeArrayWrapper() override = default;
    // The element gets a copy made as by VariantCopy.
    bool SetAt(ULONG index, const VARIANT* value);
};
