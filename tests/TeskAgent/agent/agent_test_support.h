#pragma once
// Shared by the agent tests: COM classes registered for one test under HKCR
// with CLSIDs of their own, VARIANTs of test objects, and array readers.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace agent_test {

// A COM class registration made for one test and removed with it. Nothing is
// written until the test asks for it. The class is written in the registry
// view `view` names (0: the process's own, KEY_WOW64_32KEY: where 32-bit
// servers register).
class ScopedTestClass {
public:
    explicit ScopedTestClass(REGSAM view = 0);
    ~ScopedTestClass();
    ScopedTestClass(const ScopedTestClass&) = delete;
    ScopedTestClass& operator=(const ScopedTestClass&) = delete;

    const CLSID& clsid() const { return clsid_; }
    const std::wstring& clsidText() const { return clsidText_; }  // upper-case, braces
    const std::wstring& progId() const { return progId_; }
    // The user-type name, also the name of the class's NT service.
    const std::wstring& userTypeName() const { return userTypeName_; }

    void WriteClassKey();  // the class key with its user-type name
    // ProgID key (in the class's view, or in `progIdView`) and the class's
    // ProgID subkey.
    void WriteProgId();
    void WriteProgId(REGSAM progIdView);
    void WriteLocalServer(const std::wstring& commandLine);
    void WriteInprocServer(const std::wstring& path);
    void WriteNamedValue(const wchar_t* name, const std::wstring& data);
    void WriteCategory(const std::wstring& catidText);
    REGSAM view() const { return view_; }
    std::wstring ClassKeyPath() const { return L"CLSID\\" + clsidText_; }

private:
    REGSAM view_;
    CLSID clsid_;
    std::wstring clsidText_;
    std::wstring progId_;
    std::wstring userTypeName_;
};

inline constexpr wchar_t kTeskServerCategory[] = L"{5E2A9C14-3B7D-4F08-9A61-C47D2E8B0F53}";

VARIANT UnknownVariant(IUnknown* object);  // VT_UNKNOWN without a reference of its own

struct ArrayShape {
    VARTYPE type = VT_EMPTY;
    UINT dims = 0;
    LONG lower = -1;
    ULONG count = 0;
};
ArrayShape ShapeOf(SAFEARRAY* array);
std::vector<std::wstring> Strings(SAFEARRAY* array);
std::vector<bool> NullStrings(SAFEARRAY* array);
std::vector<LONG> Longs(SAFEARRAY* array);

}  // namespace agent_test
