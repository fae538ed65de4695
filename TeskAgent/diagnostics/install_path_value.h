#pragma once
// The "InstallPath" value of a Quellix framework key (the logger's and the
// administrator-account library's): where a library the agent loads at run time
// is installed. Both are read the same way, into 522 bytes (261 characters).

#include <windows.h>

#include <string>

#include "support/registry.h"

constexpr DWORD kInstallPathBytes = 522;
constexpr wchar_t kInstallPathValueName[] = L"InstallPath";

// Succeeds only when both the key and the value could be read; type receives the
// value's registry type, which is not checked here.
inline HRESULT ReadInstallPathValue(HKEY root, const wchar_t* keyPath, std::wstring& path,
                                    DWORD& type) {
    path.clear();
    tesk::UniqueRegKey key;
    HRESULT hr = tesk::registry::Open(root, keyPath, KEY_READ, key);
    if (FAILED(hr)) return hr;
    return tesk::registry::ReadString(key.get(), kInstallPathValueName, kInstallPathBytes, path,
                                      &type);
}
