#pragma once
// Small registry helpers over tesk::UniqueRegKey. Every one returns an HRESULT:
// a registry error code becomes (code AND 0xFFFF) OR 0x80070000, as everywhere
// (tesk::Win32Result). `view` is added to the access mask: 0 for the caller's own
// view, KEY_WOW64_32KEY or KEY_WOW64_64KEY for the other one.

#include <windows.h>

#include <string>
#include <vector>

#include "support/unique_resource.h"
#include "support/win32_result.h"

namespace tesk::registry {

// A missing key or value (whatever the view).
inline bool IsMissing(HRESULT hr) {
    return hr == Win32Result(ERROR_FILE_NOT_FOUND) || hr == Win32Result(ERROR_PATH_NOT_FOUND);
}

inline HRESULT Open(HKEY root, const wchar_t* path, REGSAM access, UniqueRegKey& key,
                    REGSAM view = 0) {
    return Win32Result(::RegOpenKeyExW(root, path, 0, access | view, key.put()));
}

// Opens the key, creating it (and its missing parents) when it does not exist.
inline HRESULT Create(HKEY root, const wchar_t* path, REGSAM access, UniqueRegKey& key,
                      REGSAM view = 0) {
    return Win32Result(::RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         access | view, nullptr, key.put(), nullptr));
}

// Deletes the key and everything below it, in the view `view` names.
inline HRESULT DeleteTree(HKEY root, const wchar_t* path, REGSAM view = 0) {
    if (!view) return Win32Result(::RegDeleteTreeW(root, path));
    // RegDeleteTreeW knows no view: empty the key opened in the view, then
    // delete the key itself there.
    UniqueRegKey key;
    HRESULT hr = Open(root, path, KEY_ALL_ACCESS, key, view);
    if (FAILED(hr)) return hr;
    hr = Win32Result(::RegDeleteTreeW(key.get(), nullptr));
    key.reset();
    if (FAILED(hr)) return hr;
    return Win32Result(::RegDeleteKeyExW(root, path, view, 0));
}

// Reads a value of at most maxBytes bytes (its stored terminator included) as
// text; a value stored without a terminator still ends where its data ends. A
// longer value fails with ERROR_MORE_DATA. The value's type is not checked (type
// receives it when not null); expandable strings are not expanded.
inline HRESULT ReadString(HKEY key, const wchar_t* name, DWORD maxBytes, std::wstring& text,
                          DWORD* type = nullptr) {
    text.clear();
    // One zero character past the queried size, so the text always ends inside the buffer.
    std::vector<wchar_t> buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = maxBytes;
    HRESULT hr = Win32Result(::RegQueryValueExW(key, name ? name : L"", nullptr, type,
                                                reinterpret_cast<BYTE*>(buffer.data()), &bytes));
    if (SUCCEEDED(hr)) text = buffer.data();  // up to the first zero
    return hr;
}

inline HRESULT ReadDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD bytes = sizeof(value);
    return Win32Result(
        ::RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes));
}

// Writes text with its terminating zero (REG_SZ or REG_EXPAND_SZ).
inline HRESULT WriteString(HKEY key, const wchar_t* name, const wchar_t* text,
                           DWORD type = REG_SZ) {
    const DWORD bytes = static_cast<DWORD>((::lstrlenW(text) + 1) * sizeof(wchar_t));
    return Win32Result(
        ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text), bytes));
}

inline HRESULT WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    return Win32Result(::RegSetValueExW(key, name, 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

// The names of the key's direct subkeys, in the registry's index order.
inline HRESULT EnumerateSubkeys(HKEY key, std::vector<std::wstring>& names) {
    names.clear();
    // A key name has at most 255 characters.
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD chars = static_cast<DWORD>(sizeof(name) / sizeof(name[0]));
        LONG code = ::RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS) return S_OK;
        if (code != ERROR_SUCCESS) return Win32Result(code);
        names.emplace_back(name, chars);
    }
}

}  // namespace tesk::registry
