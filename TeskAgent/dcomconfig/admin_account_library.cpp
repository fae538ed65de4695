#include "dcomconfig/admin_account_library.h"

#include <string>
#include <vector>

#include "support/unique_resource.h"

namespace admin_account_library {
const wchar_t kAdminUserKey[] = L"SOFTWARE\\Quellix\\Framework\\AdminUser";
const wchar_t kInstallPathValue[] = L"InstallPath";
const wchar_t kDefaultFileName[] = L"Wardlow.dll";
const char kEntryPointName[] = "RegisterAndSaveAppID";
}  // namespace admin_account_library

namespace {
using namespace admin_account_library;

using RegisterAndSaveAppIDFunction = int(__cdecl*)(const wchar_t* appId);

// InstallPath holds a full file name: at most 260 characters and its zero.
constexpr DWORD kInstallPathBytes = 522;

// Loaded once, released only at process exit.
tesk::UniqueLibrary& LoadedLibrary() {
    static tesk::UniqueLibrary library;
    return library;
}

// The configured file name; false when the key or the value could not be read.
bool ReadInstallPath(std::wstring& path) {
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAdminUserKey, 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return false;
    wchar_t buffer[kInstallPathBytes / sizeof(wchar_t) + 1] = {};
    DWORD type = 0, bytes = kInstallPathBytes;
    if (::RegQueryValueExW(key.get(), kInstallPathValue, nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return false;
    path = buffer;
    // What the agent itself records is REG_EXPAND_SZ; an administrator may put
    // "%ProgramFiles%\..." there.
    if (type == REG_EXPAND_SZ && !path.empty()) {
        DWORD chars = ::ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
        std::vector<wchar_t> expanded(chars + 1);
        if (chars && ::ExpandEnvironmentStringsW(path.c_str(), expanded.data(), chars + 1))
            path = expanded.data();
    }
    return true;
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
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAdminUserKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key.get(), kInstallPathValue, 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE*>(name.data()),
                     static_cast<DWORD>((::lstrlenW(name.data()) + 1) * sizeof(wchar_t)));
}

HMODULE EnsureLoaded() {
    tesk::UniqueLibrary& library = LoadedLibrary();
    if (library) return library.get();
    std::wstring path;
    bool configured = ReadInstallPath(path);
    if (path.empty()) path = kDefaultFileName;
    library.reset(::LoadLibraryW(path.c_str()));
    if (!library) return nullptr;
    // Recorded only when nothing could be read: an empty value is the
    // administrator's choice of the system search and stays as it is.
    if (!configured) RecordInstallPath(library.get());
    return library.get();
}

int Call(const wchar_t* appId, DWORD& error) {
    HMODULE library = EnsureLoaded();
    if (!library) {
        error = ::GetLastError();
        return kLibraryMissing;
    }
    auto entry = reinterpret_cast<RegisterAndSaveAppIDFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library, kEntryPointName)));
    if (!entry) {
        error = ::GetLastError();
        return kLibraryMissing;
    }
    ::SetLastError(ERROR_SUCCESS);
    int result = entry(appId);
    error = ::GetLastError();
    return result;
}
}  // namespace

int CallRegisterAndSaveAppID(const wchar_t* appId) {
    DWORD error = ERROR_SUCCESS;
    int result = Call(appId, error);
    // Handed back after every owner of this call has closed its handles.
    ::SetLastError(result == 0 ? ERROR_SUCCESS : error);
    return result;
}
