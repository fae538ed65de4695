#include "interfaces/ClassUtilities/TeskAgentHelpers.h"

#include <cstring>

#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "interfaces/ClassUtilities/ClassesRootKey.h"
#include "support/unique_resource.h"

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

std::wstring ServerEntryPath(REFCLSID clsid, const wchar_t* subkey) {
    ClassesRootKey key(ClassKeyPath(clsid), subkey);
    return WithoutQuotes(key.GetStringValue(L""));
}

}  // namespace

std::wstring ClassKeyPath(REFCLSID clsid) { return L"CLSID\\" + ClsidText(clsid); }

CLSID GetServerGuid(const wchar_t* serverName) {
    CLSID clsid = GUID_NULL;
    // CLSIDFromString/CLSIDFromProgID take a non-const name; they do not change it.
    wchar_t* name = const_cast<wchar_t*>(serverName ? serverName : L"");
    if (SUCCEEDED(::CLSIDFromString(name, &clsid))) return clsid;
    HRESULT hr = ::CLSIDFromProgID(name, &clsid);
    if (SUCCEEDED(hr)) return clsid;
    // Exact wording: do not correct.
    GuardedLogTrace(
        L"GetServerGuid() failed (hr = 0x%08x) for ProgID '%s'. Server is probably uninstalled.",
        static_cast<unsigned>(hr), name);
    return GUID_NULL;
}

std::wstring GetLocalServerPath(REFCLSID clsid) { return ServerEntryPath(clsid, L"LocalServer32"); }

std::wstring GetLocalServerCommandLine(REFCLSID clsid) {
    return ClassesRootKey(ClassKeyPath(clsid), L"LocalServer32").GetStringValue(L"");
}

std::wstring GetInprocServerPath(REFCLSID clsid) {
    return ServerEntryPath(clsid, L"InprocServer32");
}

HRESULT GetLocalServer32Value(REFCLSID clsid, wchar_t** value) {
    return TESK_METHOD_FRAME([&]() -> HRESULT {
        if (!value) TESK_RAISE(E_POINTER);
        ClassesRootKey key(L"CLSID", ClsidText(clsid));
        std::wstring text = key.GetStringValue(L"LocalServer32");
        size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        tesk::UniqueCoTaskString copy(::CoTaskMemAlloc(bytes));
        if (!copy) TESK_RAISE(E_OUTOFMEMORY);
        std::memcpy(copy.get(), text.c_str(), bytes);
        *value = static_cast<wchar_t*>(copy.release());
        return S_OK;
    });
}

}  // namespace TeskAgentHelpers
