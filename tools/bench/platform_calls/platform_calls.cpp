#include "bench/platform_calls/platform_calls.h"

#include <comcat.h>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "bench/common/bench_ids.h"
#include "support/unique_resource.h"

namespace platform_calls {

namespace {

HANDLE OpenEventTwice(DWORD access, const wchar_t* name) {
    wchar_t global[300];
    std::swprintf(global, 300, L"Global\\%ls", name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (HANDLE event = ::OpenEventW(access, TRUE, global)) return event;
        if (HANDLE event = ::OpenEventW(access, TRUE, name)) return event;
    }
    return nullptr;
}

// QueryServerStartType on an open connection.
bool QueryStartType(SC_HANDLE manager, const wchar_t* serviceName, DWORD* startType) {
    tesk::UniqueServiceHandle service(::OpenServiceW(manager, serviceName, SERVICE_ALL_ACCESS));
    if (!service) return false;
    tesk::UniqueProcessHeapBlock buffer;
    DWORD size = 0;
    DWORD needed = 0;
    while (!::QueryServiceConfigW(service.get(),
                                  static_cast<QUERY_SERVICE_CONFIGW*>(buffer.get()), size,
                                  &needed)) {
        DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) return false;
        if (needed <= size) return false;
        buffer.reset(::HeapAlloc(::GetProcessHeap(), 0, needed));
        if (!buffer) return false;
        size = needed;
    }
    *startType = static_cast<QUERY_SERVICE_CONFIGW*>(buffer.get())->dwStartType;
    return true;
}

// OpenServerService and QueryServerStartType.
bool StartType(const wchar_t* serverName, DWORD* startType) {
    CLSID clsid = ResolveName(serverName);
    if (clsid == GUID_NULL) return false;
    tesk::UniqueCoTaskString serviceName;
    if (FAILED(::OleRegGetUserType(clsid, USERCLASSTYPE_FULL, serviceName.put()))) return false;
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    return manager && QueryStartType(manager.get(), serviceName.get(), startType);
}

bool PutString(SAFEARRAY* array, LONG index, const wchar_t* text) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(index) + 1, 0};
    if (FAILED(::SafeArrayRedim(array, &bound))) return false;
    tesk::UniqueSysString copy(::SysAllocString(text));
    return SUCCEEDED(::SafeArrayPutElement(array, &index, copy.get()));
}

bool PutLong(SAFEARRAY* array, LONG index, LONG value) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(index) + 1, 0};
    if (FAILED(::SafeArrayRedim(array, &bound))) return false;
    return SUCCEEDED(::SafeArrayPutElement(array, &index, &value));
}

// The activity state that the server's events give (not running, running,
// running and stoppable).
LONG EventState(REFCLSID clsid) {
    tesk::UniqueCoTaskString clsidText;
    if (FAILED(::StringFromCLSID(clsid, clsidText.put()))) return 1;
    wchar_t name[256];
    std::swprintf(name, 256, L"%ls_INPROC", clsidText.get());
    tesk::UniqueKernelHandle presence(OpenEventTwice(SYNCHRONIZE, name));
    if (!presence) return 1;
    std::swprintf(name, 256, L"%ls_FORCE", clsidText.get());
    tesk::UniqueKernelHandle stopEvent(OpenEventTwice(EVENT_ALL_ACCESS, name));
    return stopEvent ? 3 : 2;
}

LONG ModeOf(bool hasService, DWORD startType) {
    if (hasService && startType == SERVICE_DEMAND_START) return 0x00020000;
    if (hasService && startType == SERVICE_AUTO_START) return 0x00040000;
    return 0x00010000;
}

// Service names compare without regard to case.
std::wstring Upper(std::wstring name) {
    ::CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    return name;
}

// The names of the installed services, upper-case, in one enumeration.
std::set<std::wstring> InstalledServiceNames(SC_HANDLE manager) {
    std::set<std::wstring> names;
    std::vector<BYTE> buffer;
    DWORD needed = 0, returned = 0, resume = 0;
    for (;;) {
        BOOL done = ::EnumServicesStatusExW(
            manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32 | SERVICE_DRIVER, SERVICE_STATE_ALL,
            buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
            &returned, &resume, nullptr);
        if (!done && ::GetLastError() != ERROR_MORE_DATA) return names;
        auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i) names.insert(Upper(entries[i].lpServiceName));
        if (done) return names;
        if (needed > buffer.size()) buffer.resize(needed);
    }
}

// The category manager's enumeration of the TeskServer category; null on failure.
tesk::UniqueComPtr<IEnumCLSID> TeskServerClasses() {
    tesk::UniqueComPtr<ICatInformation> categories;
    tesk::UniqueComPtr<IEnumCLSID> classes;
    CATID category = bench::kTeskServerCategory;
    if (FAILED(::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICatInformation,
                                  reinterpret_cast<void**>(categories.put()))) ||
        FAILED(categories->EnumClassesOfCategories(1, &category, 0, nullptr, classes.put())))
        return {};
    return classes;
}

// One-dimensional arrays made at their final size.
SAFEARRAY* StringArray(const std::vector<tesk::UniqueCoTaskString>& texts) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    for (LONG i = 0; array && i < static_cast<LONG>(texts.size()); ++i) {
        tesk::UniqueSysString copy(::SysAllocString(texts[i].get()));
        ::SafeArrayPutElement(array, &i, copy.get());
    }
    return array;
}

}  // namespace

CLSID ResolveName(const wchar_t* serverName) {
    CLSID clsid = GUID_NULL;
    wchar_t* name = const_cast<wchar_t*>(serverName);
    if (SUCCEEDED(::CLSIDFromString(name, &clsid))) return clsid;
    if (SUCCEEDED(::CLSIDFromProgID(name, &clsid))) return clsid;
    // A name unknown to the platform is looked up once more as a ProgID kept
    // in the 32-bit view, as every resolution must (Wine keeps ProgIDs per view).
    tesk::UniqueRegKey key;
    wchar_t text[40] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(name) + L"\\CLSID").c_str(), 0,
                        KEY_READ | KEY_WOW64_32KEY, key.put()) == ERROR_SUCCESS &&
        ::RegQueryValueExW(key.get(), L"", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                           &bytes) == ERROR_SUCCESS &&
        SUCCEEDED(::CLSIDFromString(text, &clsid)))
        return clsid;
    return GUID_NULL;
}

LONG ServerActivity(const wchar_t* serverName) {
    CLSID clsid = ResolveName(serverName);
    if (clsid == GUID_NULL) return 0x00010004;
    const LONG state = EventState(clsid);
    DWORD startType = 0;
    const bool hasService = StartType(serverName, &startType);
    return ModeOf(hasService, startType) | state;
}

HRESULT ConnectHit(const wchar_t* serverName, const VARIANT& stored, IUnknown** server) {
    CLSID clsid = ResolveName(serverName);
    if (clsid == GUID_NULL) return E_FAIL;
    tesk::UniqueCoTaskString clsidText;
    if (FAILED(::StringFromCLSID(clsid, clsidText.put()))) return E_INVALIDARG;
    tesk::UniqueSysString key(::SysAllocString(clsidText.get()));
    tesk::UniqueVariant entry;
    HRESULT hr = ::VariantCopy(entry.get(), const_cast<VARIANT*>(&stored));
    if (FAILED(hr) || V_VT(entry.get()) != VT_UNKNOWN) return E_FAIL;
    *server = V_UNKNOWN(entry.get());
    entry.release();
    return S_OK;
}

long ListServers(SAFEARRAY** names, SAFEARRAY** guids, SAFEARRAY** status) {
    tesk::UniqueSafeArray nameArray(::SafeArrayCreateVector(VT_BSTR, 0, 0));
    tesk::UniqueSafeArray guidArray(::SafeArrayCreateVector(VT_BSTR, 0, 0));
    tesk::UniqueSafeArray statusArray(::SafeArrayCreateVector(VT_I4, 0, 0));
    if (!nameArray || !guidArray || !statusArray) return -1;

    tesk::UniqueComPtr<IEnumCLSID> classes = TeskServerClasses();
    if (!classes) return -1;

    LONG index = 0;
    CLSID clsid;
    while (classes->Next(1, &clsid, nullptr) == S_OK) {
        tesk::UniqueCoTaskString progId;
        tesk::UniqueCoTaskString clsidText;
        HRESULT progIdResult = ::ProgIDFromCLSID(clsid, progId.put());
        ::StringFromCLSID(clsid, clsidText.put());
        if (FAILED(progIdResult)) continue;
        if (PutString(nameArray.get(), index, progId.get()) &&
            PutString(guidArray.get(), index, clsidText.get()) &&
            PutLong(statusArray.get(), index, ServerActivity(progId.get())))
            ++index;
    }
    *names = nameArray.release();
    *guids = guidArray.release();
    *status = statusArray.release();
    return index;
}

long ListServersLeast(SAFEARRAY** names, SAFEARRAY** guids, SAFEARRAY** status) {
    tesk::UniqueComPtr<IEnumCLSID> classes = TeskServerClasses();
    if (!classes) return -1;
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW,
                         SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) return -1;
    const std::set<std::wstring> services = InstalledServiceNames(manager.get());

    std::vector<tesk::UniqueCoTaskString> progIds, clsidTexts;
    std::vector<LONG> words;
    CLSID clsid, named;
    while (classes->Next(1, &clsid, nullptr) == S_OK) {
        tesk::UniqueCoTaskString progId, clsidText, userType;
        if (FAILED(::ProgIDFromCLSID(clsid, progId.put()))) continue;
        ::StringFromCLSID(clsid, clsidText.put());
        progIds.push_back(std::move(progId));
        clsidTexts.push_back(std::move(clsidText));
        if (FAILED(::CLSIDFromProgID(progIds.back().get(), &named))) {
            words.push_back(0x00010004);
            continue;
        }
        const LONG state = EventState(named);
        DWORD startType = 0;
        bool hasService = false;
        if (SUCCEEDED(::OleRegGetUserType(named, USERCLASSTYPE_FULL, userType.put()))) {
            hasService = services.count(Upper(userType.get())) &&
                         QueryStartType(manager.get(), userType.get(), &startType);
        }
        words.push_back(ModeOf(hasService, startType) | state);
    }
    *names = StringArray(progIds);
    *guids = StringArray(clsidTexts);
    *status = ::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(words.size()));
    for (LONG i = 0; *status && i < static_cast<LONG>(words.size()); ++i)
        ::SafeArrayPutElement(*status, &i, &words[i]);
    return static_cast<long>(words.size());
}

}  // namespace platform_calls
