#pragma once
// Registry and file look-ups of the doctor, each one also written down in the
// words the doctor lists ("HKCR\CLSID\{...}\LocalServer32 = ...").

#include <windows.h>

#include <string>
#include <vector>

namespace teskctl {

struct RegistryValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    std::wstring Text() const;  // REG_SZ / REG_EXPAND_SZ (expanded); empty otherwise
    DWORD Dword() const;        // REG_DWORD; 0 otherwise
};

// Reads a value (nullptr: the key's default value) from the 64-bit view on a
// 64-bit build; lines gets "<where> = <what>" for the listing.
RegistryValue ReadValue(HKEY root, const std::wstring& path, const wchar_t* name,
                        std::vector<std::wstring>& lines);
bool KeyExists(HKEY root, const std::wstring& path, std::vector<std::wstring>& lines);
bool FileExists(const std::wstring& path);

// The executable named by a registered command line: the quoted part, else
// the whole text when it names a file, else the shortest prefix ending in
// ".exe" before a blank or the end that names a file.
std::wstring ExecutableOf(const std::wstring& commandLine);
std::wstring FolderOf(const std::wstring& path);

}  // namespace teskctl
