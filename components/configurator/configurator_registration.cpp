#include "configurator/configurator_registration.h"

#include <string>

#include "TeskAgent_h.h"
#include "support/unique_resource.h"

namespace {
const wchar_t kDescription[] = L"IOSrvCfgPersist Class";
const wchar_t kProgId[] = L"TeskConfigurator.IOSrvCfgPersist.1";
const wchar_t kVersionIndependentProgId[] = L"TeskConfigurator.IOSrvCfgPersist";

std::wstring ClsidText() {
    wchar_t text[40] = {};
    ::StringFromGUID2(CLSID_IOSrvCfgPersist, text, 40);
    return text;
}

bool Write(const std::wstring& path, const wchar_t* name, const std::wstring& data) {
    tesk::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring ExecutablePath() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::wstring(path, length);
}
}  // namespace

HRESULT RegisterConfigurator() {
    const std::wstring clsid = ClsidText();
    const std::wstring classKey = L"CLSID\\" + clsid;
    bool written = Write(classKey, nullptr, kDescription);
    written &= Write(classKey, L"AppID", clsid);
    written &= Write(classKey + L"\\LocalServer32", nullptr, L"\"" + ExecutablePath() + L"\"");
    written &= Write(classKey + L"\\ProgID", nullptr, kProgId);
    written &= Write(classKey + L"\\VersionIndependentProgID", nullptr, kVersionIndependentProgId);
    written &= Write(kProgId, nullptr, kDescription);
    written &= Write(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid);
    written &= Write(kVersionIndependentProgId, nullptr, kDescription);
    written &= Write(std::wstring(kVersionIndependentProgId) + L"\\CLSID", nullptr, clsid);
    written &= Write(std::wstring(kVersionIndependentProgId) + L"\\CurVer", nullptr, kProgId);
    written &= Write(L"AppID\\" + clsid, nullptr, kDescription);
    return written ? S_OK : HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
}

HRESULT UnregisterConfigurator() {
    const std::wstring clsid = ClsidText();
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"AppID\\" + clsid).c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kVersionIndependentProgId);
    return S_OK;
}
