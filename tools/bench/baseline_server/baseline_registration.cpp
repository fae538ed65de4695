#include "bench/baseline_server/baseline_registration.h"

#include <string>

#include "BenchBaseline_h.h"
#include "bench/common/bench_ids.h"
#include "support/unique_resource.h"

namespace {

const wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
const wchar_t kClassName[] = L"BenchBaseline Class";

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    tesk::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

std::wstring TypeLibVersionKey() {
    return L"TypeLib\\" + GuidText(LIBID_BENCHBASELINELib) + L"\\1.0";
}

struct CustomInterface {
    const IID* iid;
    const wchar_t* name;
};
const CustomInterface kCustomInterfaces[] = {
    {&IID_IBenchBaselineRot, L"IBenchBaselineRot"},
    {&IID_IBenchBaselineSetup, L"IBenchBaselineSetup"},
};

}  // namespace

int RegisterBaseline(const wchar_t* exePath) {
    tesk::UniqueComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(exePath, REGKIND_REGISTER, library.put());
    if (FAILED(hr)) return static_cast<int>(hr);

    const std::wstring clsid = GuidText(bench::kBaselineClsid);
    const std::wstring appId = GuidText(bench::kBaselineAppId);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const std::wstring progId = bench::kBaselineProgId;
    const std::wstring independent = bench::kBaselineVersionIndependentProgId;
    const std::wstring exe = exePath;
    const std::wstring exeName = exe.substr(exe.find_last_of(L"\\/") + 1);

    bool ok = SetString(TypeLibVersionKey() + L"\\0\\win64", nullptr, exe);
    for (const CustomInterface& custom : kCustomInterfaces) {
        const std::wstring key = L"Interface\\" + GuidText(*custom.iid);
        ok &= SetString(key, nullptr, custom.name);
        ok &= SetString(key + L"\\ProxyStubClsid32", nullptr, kTypeLibMarshaler);
        ok &= SetString(key + L"\\TypeLib", nullptr, GuidText(LIBID_BENCHBASELINELib));
        ok &= SetString(key + L"\\TypeLib", L"Version", L"1.0");
    }
    ok &= SetString(progId, nullptr, kClassName);
    ok &= SetString(progId + L"\\CLSID", nullptr, clsid);
    ok &= SetString(independent, nullptr, kClassName);
    ok &= SetString(independent + L"\\CLSID", nullptr, clsid);
    ok &= SetString(independent + L"\\CurVer", nullptr, progId);
    ok &= SetString(classKey, nullptr, kClassName);
    ok &= SetString(classKey, L"AppID", appId);
    ok &= SetString(classKey + L"\\ProgID", nullptr, progId);
    ok &= SetString(classKey + L"\\VersionIndependentProgID", nullptr, independent);
    ok &= SetString(classKey + L"\\Programmable", nullptr, L"");
    ok &= SetString(classKey + L"\\LocalServer32", nullptr, exe);
    ok &= SetString(L"AppID\\" + appId, nullptr, L"BenchBaseline");
    ok &= SetString(L"AppID\\" + appId, L"RunAs", L"Interactive User");
    ok &= SetString(L"AppID\\" + exeName, L"AppID", appId);
    return ok ? 0 : static_cast<int>(E_FAIL);
}

int UnregisterBaseline() {
    const std::wstring clsid = GuidText(bench::kBaselineClsid);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, bench::kBaselineProgId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, bench::kBaselineVersionIndependentProgId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"AppID\\" + GuidText(bench::kBaselineAppId)).c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"AppID\\" + std::wstring(bench::kBaselineExeName)).c_str());
    for (const CustomInterface& custom : kCustomInterfaces)
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"Interface\\" + GuidText(*custom.iid)).c_str());
    ::UnRegisterTypeLib(LIBID_BENCHBASELINELib, 1, 0, 0x409, SYS_WIN64);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (TypeLibVersionKey() + L"\\0").c_str());
    return 0;
}
