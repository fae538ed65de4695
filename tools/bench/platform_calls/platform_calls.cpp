#include "bench/platform_calls/platform_calls.h"

#include <comcat.h>
#include <cwchar>
#include <string>

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

// OpenServerService and QueryServerStartType.
bool StartType(const wchar_t* serverName, DWORD* startType) {
    CLSID clsid = ResolveName(serverName);
    if (clsid == GUID_NULL) return false;
    tesk::UniqueCoTaskString serviceName;
    if (FAILED(::OleRegGetUserType(clsid, USERCLASSTYPE_FULL, serviceName.put()))) return false;
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    if (!manager) return false;
    tesk::UniqueServiceHandle service(
        ::OpenServiceW(manager.get(), serviceName.get(), SERVICE_ALL_ACCESS));
    manager.reset();
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
    LONG state = 1;
    LONG mode = 0x00010000;
    tesk::UniqueCoTaskString clsidText;
    tesk::UniqueKernelHandle stopEvent;
    if (SUCCEEDED(::StringFromCLSID(clsid, clsidText.put()))) {
        wchar_t name[256];
        std::swprintf(name, 256, L"%ls_INPROC", clsidText.get());
        tesk::UniqueKernelHandle presence(OpenEventTwice(SYNCHRONIZE, name));
        if (presence) {
            state = 2;
            std::swprintf(name, 256, L"%ls_FORCE", clsidText.get());
            stopEvent.reset(OpenEventTwice(EVENT_ALL_ACCESS, name));
            presence.reset();
            if (stopEvent) state = 3;
        }
    }
    DWORD startType = 0;
    if (StartType(serverName, &startType)) {
        if (startType == SERVICE_DEMAND_START) mode = 0x00020000;
        if (startType == SERVICE_AUTO_START) mode = 0x00040000;
    }
    return mode | state;
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

    tesk::UniqueComPtr<ICatInformation> categories;
    if (FAILED(::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICatInformation,
                                  reinterpret_cast<void**>(categories.put()))))
        return -1;
    CATID category = bench::kTeskServerCategory;
    tesk::UniqueComPtr<IEnumCLSID> classes;
    if (FAILED(categories->EnumClassesOfCategories(1, &category, 0, nullptr,
                                                         classes.put())))
        return -1;

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

}  // namespace platform_calls
