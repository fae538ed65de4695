#include "sample_server/common/com_registration.h"

#include <comcat.h>

#include "sample_server/common/sample_identity.h"
#include "support/unique_resource.h"

namespace tesk_sample {

bool WriteClassesString(const std::wstring& path, const wchar_t* name, const std::wstring& data) {
    tesk::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool DeleteClassesTree(const std::wstring& path) {
    LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

namespace {
HRESULT CategoryRegistrar(tesk::UniqueComPtr<ICatRegister>& registrar) {
    return ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICatRegister, reinterpret_cast<void**>(registrar.put()));
}
}  // namespace

HRESULT RegisterClassInCategory(const CLSID& clsid, const CATID& category,
                                const wchar_t* categoryDescription) {
    tesk::UniqueComPtr<ICatRegister> registrar;
    HRESULT hr = CategoryRegistrar(registrar);
    if (FAILED(hr)) return hr;
    CATEGORYINFO info = {};
    info.catid = category;
    info.lcid = 0x409;
    lstrcpynW(info.szDescription, categoryDescription, 128);
    hr = registrar->RegisterCategories(1, &info);
    if (FAILED(hr)) return hr;
    CATID categories[] = {category};
    return registrar->RegisterClassImplCategories(clsid, 1, categories);
}

HRESULT UnregisterClassFromCategory(const CLSID& clsid, const CATID& category) {
    tesk::UniqueComPtr<ICatRegister> registrar;
    HRESULT hr = CategoryRegistrar(registrar);
    if (FAILED(hr)) return hr;
    CATID categories[] = {category};
    return registrar->UnRegisterClassImplCategories(clsid, 1, categories);
}

bool WriteProgIds(const CLSID& clsid, const std::wstring& progId,
                  const std::wstring& versionIndependentProgId, const std::wstring& description) {
    const std::wstring clsidText = GuidText(clsid);
    bool written = WriteClassesString(progId, nullptr, description);
    written &= WriteClassesString(progId + L"\\CLSID", nullptr, clsidText);
    written &= WriteClassesString(versionIndependentProgId, nullptr, description);
    written &= WriteClassesString(versionIndependentProgId + L"\\CLSID", nullptr, clsidText);
    written &= WriteClassesString(versionIndependentProgId + L"\\CurVer", nullptr, progId);
    return written;
}

void DeleteProgIds(const std::wstring& progId, const std::wstring& versionIndependentProgId) {
    DeleteClassesTree(progId);
    DeleteClassesTree(versionIndependentProgId);
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace tesk_sample
