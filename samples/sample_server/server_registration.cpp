#include "sample_server/server_registration.h"

#include <comcat.h>

#include "TeskSample_h.h"
#include "sample_server/common/com_registration.h"
#include "sample_server/common/sample_identity.h"
#include "support/unique_resource.h"

namespace tesk_sample {

const wchar_t kModuleFileName[] = L"TeskSampleModule.dll";

namespace {

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether any sample server other than this instance is still registered.
bool OtherInstanceRegistered(unsigned instance) {
    tesk::UniqueComPtr<ICatInformation> information;
    if (FAILED(::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICatInformation,
                                  reinterpret_cast<void**>(information.put()))))
        return false;
    CATID category = kTeskServerCategory;
    tesk::UniqueComPtr<IEnumCLSID> classes;
    if (FAILED(information->EnumClassesOfCategories(1, &category, 0, nullptr,
                                                          classes.put())))
        return false;
    CLSID clsid;
    while (classes->Next(1, &clsid, nullptr) == S_OK) {
        unsigned other = 0;
        if (InstanceOfClsid(clsid, &other) && other != instance) return true;
    }
    return false;
}

}  // namespace

HRESULT RegisterServer(const ServerOptions& options) {
    const ServerIdentity identity = IdentityOf(options.instance);
    const std::wstring exe = ModulePath(nullptr);
    const std::wstring classKey = L"CLSID\\" + identity.clsidText;

    // The type library in the executable describes IServerPropertySource;
    // registering it lets the type-library marshaler carry its calls.
    tesk::UniqueComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(exe.c_str(), REGKIND_REGISTER, library.put());
    if (FAILED(hr)) return hr;

    bool written = WriteClassesString(classKey, nullptr, identity.userTypeName);
    written &= WriteClassesString(classKey, L"AppID", identity.clsidText);
    written &= WriteClassesString(classKey + L"\\LocalServer32", nullptr,
                                  L"\"" + exe + L"\"" + options.RunArguments());
    const std::wstring module = FolderOf(exe) + kModuleFileName;
    if (FileExists(module)) {
        written &= WriteClassesString(classKey + L"\\InprocServer32", nullptr, module);
        written &= WriteClassesString(classKey + L"\\InprocServer32", L"ThreadingModel",
                                      L"Apartment");
    }
    if (!options.withoutProgId) {
        written &= WriteClassesString(classKey + L"\\ProgID", nullptr, identity.progId);
        written &= WriteClassesString(classKey + L"\\VersionIndependentProgID", nullptr,
                                      identity.versionIndependentProgId);
        written &= WriteProgIds(identity.clsid, identity.progId,
                                identity.versionIndependentProgId, identity.userTypeName);
    }
    // A TeskServer's AppID is its CLSID; its NT-service settings go there.
    written &= WriteClassesString(L"AppID\\" + identity.clsidText, nullptr,
                                  identity.userTypeName);
    if (!written) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);

    return RegisterClassInCategory(identity.clsid, kTeskServerCategory, L"Tesk Servers");
}

HRESULT UnregisterServer(const ServerOptions& options) {
    const ServerIdentity identity = IdentityOf(options.instance);
    UnregisterClassFromCategory(identity.clsid, kTeskServerCategory);
    DeleteProgIds(identity.progId, identity.versionIndependentProgId);
    bool removed = DeleteClassesTree(L"CLSID\\" + identity.clsidText);
    removed &= DeleteClassesTree(L"AppID\\" + identity.clsidText);
    if (!OtherInstanceRegistered(options.instance))
        ::UnRegisterTypeLib(LIBID_TeskSampleLib, 1, 0, 0, kSysKind);
    return removed ? S_OK : HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
}

}  // namespace tesk_sample
