// BenchServerHost.exe <count>: plays the running TeskServers of a benchmark
// prefix. For every server index below <count> whose state is "running" it
// creates the server's presence event (and the stop event when the server is
// stoppable) and holds them, and it publishes the live object of server 0 in
// the agent's Tesk ROT, as a real server does. It signals readiness and runs
// until the quit event is set.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "TeskAgent_h.h"
#include "bench/common/bench_ids.h"
#include "bench/common/bench_servers.h"
#include "bench/server_host/published_object.h"
#include "support/unique_resource.h"

namespace {

bool CreateServerEvents(unsigned count, std::vector<tesk::UniqueKernelHandle>& events) {
    for (unsigned i = 0; i < count; ++i) {
        const bench::ServerState state = bench::StateOf(i);
        if (state != bench::ServerState::Running && state != bench::ServerState::RunningStoppable)
            continue;
        const std::wstring stem = L"Global\\" + bench::ServerClsidText(i);
        events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, (stem + L"_INPROC").c_str()));
        if (!events.back()) return false;
        if (state == bench::ServerState::RunningStoppable) {
            events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, (stem + L"_FORCE").c_str()));
            if (!events.back()) return false;
        }
    }
    return true;
}

int Run(unsigned count) {
    std::vector<tesk::UniqueKernelHandle> events;
    if (!CreateServerEvents(count, events)) {
        std::fwprintf(stderr, L"BenchServerHost: creating the server events failed (%lu)\n",
                      ::GetLastError());
        return 1;
    }
    tesk::UniqueKernelHandle quit(::CreateEventW(nullptr, TRUE, FALSE, bench::kHostQuitEvent));
    tesk::UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, bench::kHostReadyEvent));
    if (!quit || !ready) return 1;

    tesk::UniqueComPtr<ITeskRot> rot;
    HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER, IID_ITeskRot,
                                    reinterpret_cast<void**>(rot.put()));
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"BenchServerHost: creating the agent failed (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    tesk::UniqueComPtr<IUnknown> published(new PublishedObject());
    const std::wstring key = bench::ServerClsidText(0);
    tesk::UniqueSysString keyText(::SysAllocString(key.c_str()));
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_UNKNOWN;
    V_UNKNOWN(&value) = published.get();
    hr = rot->TeskRotRegister(keyText.get(), value);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"BenchServerHost: publishing failed (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    ::SetEvent(ready.get());
    ::WaitForSingleObject(quit.get(), INFINITE);
    rot->TeskRotUnRegister(keyText.get());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: BenchServerHost <server count>\n");
        return 2;
    }
    const unsigned count = static_cast<unsigned>(std::wcstoul(argv[1], nullptr, 10));
    // Calls from the agent (reference counting of the published object) arrive
    // on the apartment's own threads; no message loop is needed.
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int exitCode = Run(count);
    ::CoUninitialize();
    return exitCode;
}
