// Entry of TeskConfigurator.exe, the configurator local server (coclass
// IOSrvCfgPersist): a GUI-subsystem program that never opens a window.
//   -RegServer / -UnregServer   write or remove its COM registration
//   (COM starts it with -Embedding) serve objects until the last is released

#include <windows.h>
#include <shlwapi.h>

#include "TeskAgent_h.h"
#include "configurator/configurator_factory.h"
#include "configurator/configurator_lifetime.h"
#include "configurator/configurator_registration.h"
#include "support/unique_resource.h"

namespace {
bool HasSwitch(const wchar_t* commandLine, const wchar_t* name) {
    for (const wchar_t* p = commandLine; *p; ++p) {
        if ((*p == L'-' || *p == L'/') && ::StrCmpNIW(p + 1, name, lstrlenW(name)) == 0) {
            wchar_t after = p[1 + lstrlenW(name)];
            if (after == L'\0' || after == L' ' || after == L'\t') return true;
        }
    }
    return false;
}

// A process that COM started but that never receives an object ends after this.
constexpr UINT kUnusedLifetimeMs = 60000;

int Serve() {
    SetConfiguratorMainThread(::GetCurrentThreadId());
    static ConfiguratorFactory factory;
    tesk::UniqueClassObjectRegistration registration;
    HRESULT hr = ::CoRegisterClassObject(CLSID_IOSrvCfgPersist, &factory, CLSCTX_LOCAL_SERVER,
                                         REGCLS_MULTIPLEUSE, registration.put());
    if (FAILED(hr)) return hr;

    HoldStartReference();
    UINT_PTR timer = ::SetTimer(nullptr, 0, kUnusedLifetimeMs, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_TIMER) {
            ::KillTimer(nullptr, timer);
            DropStartReference();
            continue;
        }
        ::DispatchMessageW(&message);
    }
    return 0;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const wchar_t* commandLine = ::GetCommandLineW();
    ::CoInitialize(nullptr);
    int result = 0;
    if (HasSwitch(commandLine, L"UnregServer"))
        result = UnregisterConfigurator();
    else if (HasSwitch(commandLine, L"RegServer"))
        result = RegisterConfigurator();
    else
        result = Serve();
    ::CoUninitialize();
    return result;
}
