#pragma once
// Registry and component-category steps shared by the sample server's and the
// in-process module's self-registration.

#include <windows.h>
#include <comcat.h>

#include <string>

namespace tesk_sample {

// Writes a REG_SZ value (nullptr name: the default value) under HKEY_CLASSES_ROOT,
// creating the key. False when the key or the value cannot be written.
bool WriteClassesString(const std::wstring& path, const wchar_t* name, const std::wstring& data);
// Removes a key under HKEY_CLASSES_ROOT with everything below it; an absent key is fine.
bool DeleteClassesTree(const std::wstring& path);

// Describes the category (the description is shared by every member) and
// enters clsid in it, through the platform's component-category manager.
HRESULT RegisterClassInCategory(const CLSID& clsid, const CATID& category,
                                const wchar_t* categoryDescription);
HRESULT UnregisterClassFromCategory(const CLSID& clsid, const CATID& category);

// The ProgID pair of a class: "<versionIndependent>" with CurVer, and "<progId>".
bool WriteProgIds(const CLSID& clsid, const std::wstring& progId,
                  const std::wstring& versionIndependentProgId, const std::wstring& description);
void DeleteProgIds(const std::wstring& progId, const std::wstring& versionIndependentProgId);

// Full path of a loaded module (nullptr: the executable).
std::wstring ModulePath(HMODULE module);

}  // namespace tesk_sample
