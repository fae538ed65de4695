#include "agent_test_support.h"

#include "support/test_support.h"

namespace agent_test {

ScopedTestClass::ScopedTestClass(REGSAM view)
    : view_(view), clsidText_(tesk_test::NewGuidText(&clsid_)) {
    std::wstring stem = clsidText_.substr(1, 8);
    progId_ = L"TeskAgentTest.Server" + stem + L".1";
    userTypeName_ = L"TeskAgentTest Server " + stem;
}

ScopedTestClass::~ScopedTestClass() {
    for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, ClassKeyPath(), view);
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, progId_, view);
    }
}

void ScopedTestClass::WriteClassKey() {
    tesk_test::WriteString(HKEY_CLASSES_ROOT, ClassKeyPath(), nullptr, userTypeName_, view_);
}

void ScopedTestClass::WriteProgId() { WriteProgId(view_); }

void ScopedTestClass::WriteProgId(REGSAM progIdView) {
    tesk_test::WriteString(HKEY_CLASSES_ROOT, progId_, nullptr, userTypeName_, progIdView);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, progId_ + L"\\CLSID", nullptr, clsidText_,
                           progIdView);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\ProgID", nullptr, progId_,
                           view_);
}

void ScopedTestClass::WriteLocalServer(const std::wstring& commandLine) {
    tesk_test::WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\LocalServer32", nullptr,
                           commandLine, view_);
}

void ScopedTestClass::WriteInprocServer(const std::wstring& path) {
    tesk_test::WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\InprocServer32", nullptr,
                           path, view_);
}

void ScopedTestClass::WriteNamedValue(const wchar_t* name, const std::wstring& data) {
    tesk_test::WriteString(HKEY_CLASSES_ROOT, ClassKeyPath(), name, data, view_);
}

void ScopedTestClass::WriteCategory(const std::wstring& catidText) {
    tesk_test::WriteString(HKEY_CLASSES_ROOT,
                           ClassKeyPath() + L"\\Implemented Categories\\" + catidText, nullptr,
                           L"", view_);
}

VARIANT UnknownVariant(IUnknown* object) {
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_UNKNOWN;
    V_UNKNOWN(&value) = object;
    return value;
}

ArrayShape ShapeOf(SAFEARRAY* array) {
    ArrayShape shape;
    if (!array) return shape;
    ::SafeArrayGetVartype(array, &shape.type);
    shape.dims = ::SafeArrayGetDim(array);
    LONG upper = -1;
    ::SafeArrayGetLBound(array, 1, &shape.lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    shape.count = static_cast<ULONG>(upper - shape.lower + 1);
    return shape;
}

std::vector<std::wstring> Strings(SAFEARRAY* array) {
    std::vector<std::wstring> out;
    for (ULONG i = 0; i < ShapeOf(array).count; ++i) {
        LONG index = static_cast<LONG>(i);
        tesk::UniqueSysString element;
        ::SafeArrayGetElement(array, &index, element.put());
        out.push_back(element ? element.get() : L"");
    }
    return out;
}

std::vector<bool> NullStrings(SAFEARRAY* array) {
    std::vector<bool> out;
    for (ULONG i = 0; i < ShapeOf(array).count; ++i) {
        LONG index = static_cast<LONG>(i);
        tesk::UniqueSysString element;
        ::SafeArrayGetElement(array, &index, element.put());
        out.push_back(!element);
    }
    return out;
}

std::vector<LONG> Longs(SAFEARRAY* array) {
    std::vector<LONG> out;
    for (ULONG i = 0; i < ShapeOf(array).count; ++i) {
        LONG index = static_cast<LONG>(i), value = 0;
        ::SafeArrayGetElement(array, &index, &value);
        out.push_back(value);
    }
    return out;
}

}  // namespace agent_test
