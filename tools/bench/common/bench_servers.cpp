#include "bench/common/bench_servers.h"

#include <cstdio>

#include "bench/common/bench_ids.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace bench {

namespace {

// {733Fxxxx-F048-475A-BEC4-DC87552087F8}: the index lives in the low word of Data1.
constexpr CLSID kServerClsidStem = {
    0x733F0000, 0xF048, 0x475A, {0xBE, 0xC4, 0xDC, 0x87, 0x55, 0x20, 0x87, 0xF8}};

// A program that does not exist: the benchmark never starts a server by command line.
constexpr wchar_t kServerCommandLine[] = L"C:\\windows\\TeskBenchServer.exe";

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

bool SetString(HKEY root, const std::wstring& path, const wchar_t* name,
               const std::wstring& value, REGSAM view) {
    tesk::UniqueRegKey key;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

bool CreateKey(HKEY root, const std::wstring& path, REGSAM view) {
    tesk::UniqueRegKey key;
    return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                             key.put(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

CLSID ServerClsid(unsigned index) {
    CLSID clsid = kServerClsidStem;
    clsid.Data1 |= index & 0xFFFF;
    return clsid;
}

std::wstring ServerClsidText(unsigned index) { return GuidText(ServerClsid(index)); }

std::wstring ServerProgId(unsigned index) {
    wchar_t text[64];
    std::swprintf(text, 64, L"TeskBench.Server%04u.1", index);
    return text;
}

std::wstring ServerUserType(unsigned index) {
    wchar_t text[64];
    std::swprintf(text, 64, L"TeskBench Server %04u", index);
    return text;
}

LONG ExpectedActivity(unsigned index) {
    switch (StateOf(index)) {
        case ServerState::RunningStoppable: return 0x00010003;
        case ServerState::Running: return 0x00010002;
        case ServerState::StoppedService: return 0x00020001;
        case ServerState::Stopped: return 0x00010001;
    }
    return 0;
}

bool RegisterServer(unsigned index, REGSAM view) {
    const std::wstring clsid = ServerClsidText(index);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const std::wstring progId = ServerProgId(index);
    const HKEY root = HKEY_CLASSES_ROOT;
    bool ok = SetString(root, classKey, nullptr, ServerUserType(index), view);
    ok &= SetString(root, classKey + L"\\ProgID", nullptr, progId, view);
    ok &= SetString(root, classKey + L"\\LocalServer32", nullptr, kServerCommandLine, view);
    ok &= CreateKey(root, classKey + L"\\Implemented Categories\\" + GuidText(kTeskServerCategory),
                    view);
    // The ProgID where the server's own registration puts it (one view for
    // both on current Windows).
    ok &= SetString(root, progId, nullptr, ServerUserType(index), view);
    ok &= SetString(root, progId + L"\\CLSID", nullptr, clsid, view);
    return ok;
}

void UnregisterServer(unsigned index, REGSAM view) {
    tesk::registry::DeleteTree(HKEY_CLASSES_ROOT, (L"CLSID\\" + ServerClsidText(index)).c_str(),
                               view);
    tesk::registry::DeleteTree(HKEY_CLASSES_ROOT, ServerProgId(index).c_str(), view);
}

bool InstallServerService(unsigned index) {
    tesk::UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    const std::wstring name = ServerUserType(index);
    const std::wstring binary = std::wstring(kServerCommandLine) + L" -service";
    tesk::UniqueServiceHandle service(::CreateServiceW(
        manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr,
        nullptr, nullptr));
    if (service) return true;
    return ::GetLastError() == ERROR_SERVICE_EXISTS;
}

void RemoveServerService(unsigned index) {
    tesk::UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return;
    tesk::UniqueServiceHandle service(
        ::OpenServiceW(manager.get(), ServerUserType(index).c_str(), DELETE));
    if (service) ::DeleteService(service.get());
}

}  // namespace bench
