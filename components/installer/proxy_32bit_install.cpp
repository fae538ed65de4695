// The configurator's proxy/stub from the 32-bit build, registered for 32-bit
// clients on 64-bit Windows. A 64-bit installer cannot load a 32-bit DLL to
// call its DllRegisterServer, so the keys that call would write are written
// here, into the 32-bit registry view: each interface's name, method count and
// proxy/stub class, and that class with the DLL as its in-process server.

#include <windows.h>

#include <cstdio>

#include "TeskAgent_h.h"
#include "installer/install_steps.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace {

constexpr REGSAM k32BitView = KEY_WOW64_32KEY;
// The proxy/stub factory's class, the same in both builds of the DLL.
const wchar_t kProxyClsid[] = L"{7C71A4E6-A0E3-4D95-A1C8-2D9666AC583C}";

struct ProxiedInterface {
    const IID* iid;
    const wchar_t* name;
};
const ProxiedInterface kInterfaces[] = {
    {&IID_IIOSrvCfgPersist, L"IIOSrvCfgPersist"},
    {&IID_IIoSrvCfgRules, L"IIoSrvCfgRules"},
};

std::wstring InterfaceKey(const ProxiedInterface& proxied) {
    return L"Interface\\" + GuidText(*proxied.iid);
}

// The method count the 64-bit build's registration wrote: both builds come
// from the same interface definitions.
std::wstring NumMethodsOf(const ProxiedInterface& proxied) {
    wchar_t count[16] = {};
    DWORD bytes = sizeof(count) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, (InterfaceKey(proxied) + L"\\NumMethods").c_str(),
                       nullptr, RRF_RT_REG_SZ, nullptr, count, &bytes) != ERROR_SUCCESS)
        return {};
    return count;
}

}  // namespace

bool Register32BitProxy(const std::wstring& dll) {
    bool written = true;
    for (const ProxiedInterface& proxied : kInterfaces) {
        std::wstring key = InterfaceKey(proxied);
        std::wstring methods = NumMethodsOf(proxied);
        if (methods.empty()) {
            std::fwprintf(stderr, L"%ls is not registered for 64-bit clients\n", proxied.name);
            return false;
        }
        written &= WriteRegString(HKEY_CLASSES_ROOT, key, nullptr, proxied.name, k32BitView);
        written &= WriteRegString(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid32", nullptr,
                                  kProxyClsid, k32BitView);
        written &= WriteRegString(HKEY_CLASSES_ROOT, key + L"\\NumMethods", nullptr, methods,
                                  k32BitView);
    }
    std::wstring classKey = std::wstring(L"CLSID\\") + kProxyClsid;
    written &= WriteRegString(HKEY_CLASSES_ROOT, classKey, nullptr, L"PSFactoryBuffer", k32BitView);
    written &= WriteRegString(HKEY_CLASSES_ROOT, classKey + L"\\InProcServer32", nullptr, dll,
                              k32BitView);
    written &= WriteRegString(HKEY_CLASSES_ROOT, classKey + L"\\InProcServer32", L"ThreadingModel",
                              L"Both", k32BitView);
    if (!written) std::fwprintf(stderr, L"registering %ls for 32-bit clients failed\n", dll.c_str());
    return written;
}

void Unregister32BitProxy() {
    for (const ProxiedInterface& proxied : kInterfaces)
        tesk::registry::DeleteTree(HKEY_CLASSES_ROOT, InterfaceKey(proxied).c_str(), k32BitView);
    tesk::registry::DeleteTree(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kProxyClsid).c_str(),
                               k32BitView);
}
