// BenchBaseline.exe: the minimal local server against which the benchmarks
// measure the agent. Same toolchain, flags, subsystem and activation path as
// the agent; its methods only fill their out-parameters.

#include <windows.h>

#include "BenchBaseline_h.h"
#include "bench/baseline_server/baseline_factory.h"
#include "bench/baseline_server/baseline_module.h"
#include "bench/baseline_server/baseline_object.h"
#include "bench/baseline_server/baseline_registration.h"
#include "bench/common/bench_ids.h"
#include "support/unique_resource.h"

namespace {

bool HasSwitch(const wchar_t* commandLine, const wchar_t* name) {
    for (const wchar_t* p = commandLine; *p; ++p) {
        if ((*p == L'-' || *p == L'/') && ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, p + 1,
                                                           ::lstrlenW(name), name,
                                                           ::lstrlenW(name)) == CSTR_EQUAL)
            return true;
    }
    return false;
}

int Serve() {
    tesk::UniqueClassObjectRegistration registration;
    HRESULT hr;
    {
        // COM holds its own reference while registered.
        tesk::UniqueComPtr<BaselineFactory> factory(new BaselineFactory());
        hr = ::CoRegisterClassObject(bench::kBaselineClsid, factory.get(), CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, registration.put());
    }
    if (FAILED(hr)) return static_cast<int>(hr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    registration.reset();
    ReleaseBaselineState();
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const wchar_t* commandLine = ::GetCommandLineW();
    ::CoInitialize(nullptr);
    baseline_module::SetMainThread(::GetCurrentThreadId());
    int exitCode = 0;
    if (HasSwitch(commandLine, L"UnregServer")) {
        exitCode = UnregisterBaseline();
    } else if (HasSwitch(commandLine, L"RegServer")) {
        wchar_t path[MAX_PATH];
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        exitCode = RegisterBaseline(path);
    } else {
        exitCode = Serve();
    }
    ::CoUninitialize();
    return exitCode;
}
