#pragma once
// Registry paths of an AppID under HKEY_CLASSES_ROOT, at most 256 characters.

#include <string>

namespace appid_key_path {

constexpr size_t kMaxChars = 256;

// "APPID\{x}" for an AppID string without braces, else "APPID\x": the
// permission values.
bool ForPermissions(const wchar_t* appId, std::wstring& path);
// "AppId\" and the AppID string as given: the run-as value.
bool ForRunAs(const wchar_t* appId, std::wstring& path);
// "AppID\" and the AppID string, put in braces when it has none: the
// authentication level.
bool ForAuthenticationLevel(const wchar_t* appId, std::wstring& path);

// An AppID string that names one key: not empty, no backslash (which would
// reach another key), not too long.
bool IsUsableAppId(const wchar_t* appId);

}  // namespace appid_key_path
