#include "interfaces/ClassUtilities/TeskAgentHelpers.h"

#include <cstring>
#include <cwchar>

#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "interfaces/ClassUtilities/ClassesRootKey.h"
#include "support/registry.h"

namespace TeskAgentHelpers {

namespace {

constexpr size_t kPathChars = 260;

std::wstring ClsidText(REFCLSID clsid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(clsid, text, 40);
    return text;
}

// The value copied as the registered command line is used: without quote
// characters, arguments and blanks kept in order, at most 259 characters.
std::wstring WithoutQuotes(const std::wstring& value) {
    std::wstring copy;
    for (wchar_t c : value) {
        if (c == L'"') continue;
        if (copy.size() == kPathChars - 1) break;
        copy.push_back(c);
    }
    return copy;
}

std::wstring ServerEntryPath(const ServerIdentity& server, const wchar_t* subkey) {
    ClassesRootKey key(ClassKeyPath(server.clsid), subkey, server.view);
    return WithoutQuotes(key.GetStringValue(L""));
}

bool ClassKeyExists(REFCLSID clsid, REGSAM view) {
    return ClassesRootKey(ClassKeyPath(clsid), L"", view).IsOpen();
}

// A ProgID kept in the 32-bit view only (Wine keeps ProgIDs per view; current
// Windows shares them, and the platform's lookup has found them already). A
// name with a backslash is a key path, not a ProgID. This runs for every name
// the default view does not know.
bool ClsidOf32BitProgId(const wchar_t* name, CLSID* clsid) {
    HKEY classes = MachineClassesKey32();
    if (!classes || !*name || std::wcschr(name, L'\\')) return false;
    const std::wstring path = std::wstring(name) + L"\\CLSID";
    tesk::UniqueRegKey key;
    std::wstring text;
    return SUCCEEDED(tesk::registry::Open(classes, path.c_str(), KEY_READ, key)) &&
           SUCCEEDED(tesk::registry::ReadString(key.get(), L"",
                                                ClassesRootKey::kValueChars * sizeof(wchar_t),
                                                text)) &&
           !text.empty() && SUCCEEDED(::CLSIDFromString(text.c_str(), clsid));
}

// A copy of a string value of any length; null when the key or value is
// missing or is no string.
tesk::UniqueCoTaskString ReadWholeString(const ServerIdentity& server, const wchar_t* subkey) {
    ClassesRootKey key(ClassKeyPath(server.clsid), subkey, server.view);
    DWORD type = 0, bytes = 0;
    std::wstring text;
    if (!key.IsOpen() ||
        ::RegQueryValueExW(key.get(), L"", nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS ||
        FAILED(tesk::registry::ReadString(key.get(), L"", bytes, text, &type)) ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    const size_t copyBytes = (text.size() + 1) * sizeof(wchar_t);
    tesk::UniqueCoTaskString copy(::CoTaskMemAlloc(copyBytes));
    if (copy) std::memcpy(copy.get(), text.c_str(), copyBytes);
    return copy;
}

// `path` starts with the folder `folder` followed by a backslash (any case).
bool IsUnder(const std::wstring& path, const wchar_t* folder, UINT folderChars) {
    return folderChars > 0 && path.size() > folderChars && path[folderChars] == L'\\' &&
           ::CompareStringOrdinal(path.c_str(), folderChars, folder, folderChars, TRUE) ==
               CSTR_EQUAL;
}

}  // namespace

std::wstring ClassKeyPath(REFCLSID clsid) { return L"CLSID\\" + ClsidText(clsid); }

ServerIdentity IdentityOf(REFCLSID clsid) {
    ServerIdentity server{clsid, k64BitView};
    if (!ClassKeyExists(clsid, k64BitView) && ClassKeyExists(clsid, k32BitView))
        server.view = k32BitView;
    return server;
}

ServerIdentity ResolveServer(const wchar_t* serverName, const ServerIdentity* listed) {
    CLSID clsid = GUID_NULL;
    auto identity = [&] {
        return listed && listed->clsid == clsid ? *listed : IdentityOf(clsid);
    };
    // CLSIDFromString/CLSIDFromProgID take a non-const name; they do not change it.
    wchar_t* name = const_cast<wchar_t*>(serverName ? serverName : L"");
    if (SUCCEEDED(::CLSIDFromString(name, &clsid))) return identity();
    HRESULT hr = ::CLSIDFromProgID(name, &clsid);
    if (SUCCEEDED(hr) || ClsidOf32BitProgId(name, &clsid)) return identity();
    // Exact wording: do not correct.
    GuardedLogTrace(
        L"GetServerGuid() failed (hr = 0x%08x) for ProgID '%s'. Server is probably uninstalled.",
        static_cast<unsigned>(hr), name);
    return {};
}

CLSID GetServerGuid(const wchar_t* serverName) { return ResolveServer(serverName).clsid; }

std::wstring GetLocalServerPath(const ServerIdentity& server) {
    return ServerEntryPath(server, L"LocalServer32");
}

std::wstring GetLocalServerCommandLine(const ServerIdentity& server) {
    return ClassesRootKey(ClassKeyPath(server.clsid), L"LocalServer32", server.view)
        .GetStringValue(L"");
}

std::wstring GetInprocServerPath(const ServerIdentity& server) {
    return ServerEntryPath(server, L"InprocServer32");
}

HRESULT GetLocalServer32Value(const ServerIdentity& server, wchar_t** value) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        if (!value) TESK_RAISE(E_POINTER);
        ClassesRootKey key(L"CLSID", ClsidText(server.clsid), server.view);
        std::wstring text = key.GetStringValue(L"LocalServer32");
        size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        tesk::UniqueCoTaskString copy(::CoTaskMemAlloc(bytes));
        if (!copy) TESK_RAISE(E_OUTOFMEMORY);
        std::memcpy(copy.get(), text.c_str(), bytes);
        *value = static_cast<wchar_t*>(copy.release());
        return S_OK;
    });
}

tesk::UniqueCoTaskString ProgIdOf(const ServerIdentity& server) {
    tesk::UniqueCoTaskString progId;
    if (server.view == k64BitView) {
        // The platform's own lookup, which reads the agent's (64-bit) view.
        if (FAILED(::ProgIDFromCLSID(server.clsid, progId.put()))) return {};
        return progId;
    }
    progId = ReadWholeString(server, L"ProgID");
    if (progId && !*progId.get()) return {};
    return progId;
}

tesk::UniqueCoTaskString UserTypeNameOf(const ServerIdentity& server) {
    if (server.view == k32BitView) return ReadWholeString(server, L"");
    tesk::UniqueCoTaskString name;
    if (FAILED(::OleRegGetUserType(server.clsid, USERCLASSTYPE_FULL, name.put()))) return {};
    return name;
}

std::wstring ModuleFileOf(const ServerIdentity& server, const std::wstring& registeredPath) {
    if (server.view != k32BitView) return registeredPath;
    wchar_t system[MAX_PATH] = {}, wow64[MAX_PATH] = {};
    UINT systemChars = ::GetSystemDirectoryW(system, MAX_PATH);
    UINT wow64Chars = ::GetSystemWow64DirectoryW(wow64, MAX_PATH);
    // No 32-bit system folder (32-bit Windows): System32 is the server's own.
    if (systemChars >= MAX_PATH || wow64Chars == 0 || wow64Chars >= MAX_PATH ||
        !IsUnder(registeredPath, system, systemChars))
        return registeredPath;
    return std::wstring(wow64, wow64Chars) + registeredPath.substr(systemChars);
}

}  // namespace TeskAgentHelpers
