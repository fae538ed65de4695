#include "dcomconfig/admin_account_library.h"

#include <string>
#include <vector>

#include "diagnostics/install_path_value.h"
#include "diagnostics/returned_failure.h"
#include "support/unique_resource.h"

namespace {
// HKEY_LOCAL_MACHINE key whose InstallPath names the library's full file name.
constexpr wchar_t kAdminUserKey[] = L"SOFTWARE\\Quellix\\Framework\\AdminUser";
// Found through the system's library search when InstallPath is absent or empty.
constexpr wchar_t kDefaultFileName[] = L"Wardlow.dll";
constexpr char kEntryPointName[] = "RegisterAndSaveAppID";

using RegisterAndSaveAppIDFunction = int(__cdecl*)(const wchar_t* appId);

// Loaded once, released only at process exit.
tesk::UniqueLibrary& LoadedLibrary() {
    static tesk::UniqueLibrary library;
    return library;
}

// The configured file name (InstallPath holds a full file name); fails when the
// key or the value could not be read.
HRESULT ReadInstallPath(std::wstring& path) {
    DWORD type = REG_NONE;
    TESK_RETURN_IF_FAILED(ReadInstallPathValue(HKEY_LOCAL_MACHINE, kAdminUserKey, path, type));
    // What the agent itself records is REG_EXPAND_SZ; an administrator may put
    // "%ProgramFiles%\..." there.
    if (type == REG_EXPAND_SZ && !path.empty()) {
        DWORD chars = ::ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
        std::vector<wchar_t> expanded(chars + 1);
        if (chars && ::ExpandEnvironmentStringsW(path.c_str(), expanded.data(), chars + 1))
            path = expanded.data();
    }
    return S_OK;
}

void RecordInstallPath(HMODULE library) {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        DWORD chars = ::GetModuleFileNameW(library, name.data(), static_cast<DWORD>(name.size()));
        if (chars == 0) return;
        if (chars < name.size()) break;
        name.resize(name.size() * 2);
    }
    tesk::UniqueRegKey key;
    if (SUCCEEDED(tesk::registry::Create(HKEY_LOCAL_MACHINE, kAdminUserKey, KEY_ALL_ACCESS, key)))
        tesk::registry::WriteString(key.get(), kInstallPathValueName, name.data(), REG_EXPAND_SZ);
}

HMODULE EnsureLoaded() {
    tesk::UniqueLibrary& library = LoadedLibrary();
    if (library) return library.get();
    std::wstring path;
    const bool configured = SUCCEEDED(ReadInstallPath(path));
    if (path.empty()) path = kDefaultFileName;
    library.reset(::LoadLibraryW(path.c_str()));
    if (!library) return nullptr;
    // Recorded only when nothing could be read: an empty value is the
    // administrator's choice of the system search and stays as it is.
    if (!configured) RecordInstallPath(library.get());
    return library.get();
}

}  // namespace

HRESULT CallRegisterAndSaveAppID(const wchar_t* appId) {
    HMODULE library = EnsureLoaded();
    TESK_RETURN_LAST_ERROR_IF(!library);
    auto entry = reinterpret_cast<RegisterAndSaveAppIDFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library, kEntryPointName)));
    TESK_RETURN_LAST_ERROR_IF(!entry);
    ::SetLastError(ERROR_SUCCESS);
    TESK_RETURN_LAST_ERROR_IF(entry(appId) != 0);
    return S_OK;
}
