// Entry point of Wardlow.dll. It runs inside whatever process registers an
// AppID, often one without a desktop: it never shows a window and never lets
// an exception out.

#include "admin_account/Wardlow.h"

#include <cwctype>
#include <new>
#include <string>

#include "admin_account/configured_account.h"
#include "admin_account/run_as_password.h"
#include "support/unique_resource.h"

namespace {
const wchar_t kGuidPattern[] = L"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";

// Only a braced GUID names an AppID key; anything else could reach another key.
bool IsBracedGuid(const wchar_t* text) {
    const size_t length = sizeof(kGuidPattern) / sizeof(wchar_t) - 1;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\0') return false;
        if (kGuidPattern[i] == L'x' ? !std::iswxdigit(text[i]) : text[i] != kGuidPattern[i])
            return false;
    }
    return text[length] == L'\0';
}

int WriteRunAs(const wchar_t* appId, const std::wstring& account, DWORD& error) {
    // The AppID must be registered already; the library does not create it.
    tesk::UniqueRegKey key;
    LONG code = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(L"AppID\\") + appId).c_str(), 0,
                                KEY_SET_VALUE, key.put());
    if (code == ERROR_SUCCESS)
        code = ::RegSetValueExW(key.get(), L"RunAs", 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(account.c_str()),
                                static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t)));
    if (code != ERROR_SUCCESS) {
        error = static_cast<DWORD>(code);
        return WARDLOW_RUNAS_NOT_WRITTEN;
    }
    return WARDLOW_OK;
}

int RegisterAndSave(const wchar_t* appId, DWORD& error) {
    if (!appId || !IsBracedGuid(appId)) {
        error = ERROR_INVALID_PARAMETER;
        return WARDLOW_BAD_APPID;
    }
    ConfiguredAccount account;
    int result = ReadConfiguredAccount(account, error);
    if (result != WARDLOW_OK) return result;
    // The password first: a RunAs naming an account whose password is not
    // stored would make every activation fail to log on.
    result = StoreRunAsPassword(appId, error);
    if (result != WARDLOW_OK) return result;
    return WriteRunAs(appId, account.runAsName, error);
}
}  // namespace

extern "C" int __cdecl RegisterAndSaveAppID(const wchar_t* appId) {
    DWORD error = ERROR_SUCCESS;
    int result;
    try {
        result = RegisterAndSave(appId, error);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        result = WARDLOW_INTERNAL_ERROR;
    } catch (...) {
        error = ERROR_INTERNAL_ERROR;
        result = WARDLOW_INTERNAL_ERROR;
    }
    ::SetLastError(result == WARDLOW_OK ? ERROR_SUCCESS : error);
    return result;
}
