#include "dcomconfig/appid_key_path.h"

#include <cwchar>

namespace appid_key_path {
namespace {
bool Build(const std::wstring& built, std::wstring& path) {
    if (built.size() >= kMaxChars) return false;
    path = built;
    return true;
}

std::wstring Braced(const wchar_t* appId) {
    return appId[0] == L'{' ? std::wstring(appId) : L"{" + std::wstring(appId) + L"}";
}
}  // namespace

bool IsUsableAppId(const wchar_t* appId) {
    return appId && appId[0] && !std::wcschr(appId, L'\\') && std::wcslen(appId) < kMaxChars;
}

bool ForPermissions(const wchar_t* appId, std::wstring& path) {
    return IsUsableAppId(appId) && Build(L"APPID\\" + Braced(appId), path);
}

bool ForRunAs(const wchar_t* appId, std::wstring& path) {
    return IsUsableAppId(appId) && Build(L"AppId\\" + std::wstring(appId), path);
}

bool ForAuthenticationLevel(const wchar_t* appId, std::wstring& path) {
    return IsUsableAppId(appId) && Build(L"AppID\\" + Braced(appId), path);
}

}  // namespace appid_key_path
