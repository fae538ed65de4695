#include "teskctl/registry_reader.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "support/unique_resource.h"

namespace teskctl {

namespace {
std::wstring RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return L"HKCR";
    if (root == HKEY_LOCAL_MACHINE) return L"HKLM";
    return L"HKCU";
}

std::wstring Where(HKEY root, const std::wstring& path, const wchar_t* name) {
    return RootName(root) + L"\\" + path + L" " + (name ? std::wstring(name) : L"(default)");
}

std::wstring Shown(const RegistryValue& value) {
    if (!value.found) return L"(missing)";
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return L"\"" + value.Text() + L"\"";
    case REG_DWORD: return std::to_wstring(value.Dword());
    default: return L"(" + std::to_wstring(value.data.size()) + L" bytes of binary data)";
    }
}
}  // namespace

std::wstring RegistryValue::Text() const {
    if (!found || (type != REG_SZ && type != REG_EXPAND_SZ) || data.size() < sizeof(wchar_t))
        return {};
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    if (type != REG_EXPAND_SZ) return text;
    DWORD chars = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (chars == 0) return text;
    std::wstring expanded(chars, L'\0');
    ::ExpandEnvironmentStringsW(text.c_str(), &expanded[0], chars);
    expanded.resize(chars - 1);
    return expanded;
}

DWORD RegistryValue::Dword() const {
    DWORD value = 0;
    if (found && type == REG_DWORD && data.size() >= sizeof(DWORD))
        std::memcpy(&value, data.data(), sizeof(DWORD));
    return value;
}

RegistryValue ReadValue(HKEY root, const std::wstring& path, const wchar_t* name,
                        std::vector<std::wstring>& lines) {
    RegistryValue value;
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &size) ==
            ERROR_SUCCESS) {
            value.data.resize(size);
            value.found = ::RegQueryValueExW(key.get(), name, nullptr, &value.type,
                                             value.data.data(), &size) == ERROR_SUCCESS;
            value.data.resize(size);
        }
    }
    lines.push_back(Where(root, path, name) + L" = " + Shown(value));
    return value;
}

bool KeyExists(HKEY root, const std::wstring& path, std::vector<std::wstring>& lines) {
    tesk::UniqueRegKey key;
    const bool exists =
        ::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
    lines.push_back(RootName(root) + L"\\" + path + (exists ? L": key present" : L": key missing"));
    return exists;
}

bool FileExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ExecutableOf(const std::wstring& commandLine) {
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t end = commandLine.find(L'"', 1);
        return commandLine.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    }
    if (FileExists(commandLine)) return commandLine;
    std::wstring first;
    for (size_t at = 0; (at = commandLine.find(L'.', at)) != std::wstring::npos; ++at) {
        const size_t end = at + 4;
        if (end > commandLine.size() || _wcsnicmp(commandLine.c_str() + at, L".exe", 4) != 0 ||
            (end < commandLine.size() && !std::iswspace(commandLine[end])))
            continue;
        const std::wstring candidate = commandLine.substr(0, end);
        if (FileExists(candidate)) return candidate;
        if (first.empty()) first = candidate;
    }
    return first.empty() ? commandLine.substr(0, commandLine.find(L' ')) : first;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace teskctl
