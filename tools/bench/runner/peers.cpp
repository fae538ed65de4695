#include "bench/runner/peers.h"

#include <cstdio>

#include "bench/common/bench_ids.h"

namespace bench {

HRESULT CreateAgentPeer(AgentPeer* peer) {
    HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_ITesk_Agent, reinterpret_cast<void**>(peer->agent.put()));
    if (FAILED(hr)) return hr;
    return peer->agent->QueryInterface(IID_ITeskRot,
                                             reinterpret_cast<void**>(peer->rot.put()));
}

HRESULT CreateBaselinePeer(BaselinePeer* peer) {
    HRESULT hr =
        ::CoCreateInstance(kBaselineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IBenchBaseline,
                           reinterpret_cast<void**>(peer->baseline.put()));
    if (FAILED(hr)) return hr;
    hr = peer->baseline->QueryInterface(IID_IBenchBaselineRot,
                                              reinterpret_cast<void**>(peer->rot.put()));
    if (FAILED(hr)) return hr;
    return peer->baseline->QueryInterface(IID_IBenchBaselineSetup,
                                                reinterpret_cast<void**>(peer->setup.put()));
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

bool ServerHost::Start(unsigned count) {
    Stop();
    quit_.reset(::CreateEventW(nullptr, TRUE, FALSE, kHostQuitEvent));
    tesk::UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kHostReadyEvent));
    if (!quit_ || !ready) return false;
    ::ResetEvent(quit_.get());
    ::ResetEvent(ready.get());

    std::wstring commandLine =
        L"\"" + ProgramFolder() + L"BenchServerHost.exe\" " + std::to_wstring(count);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return false;
    process_.reset(started.hProcess);
    tesk::UniqueKernelHandle thread(started.hThread);

    // Ready, or the host gave up.
    HANDLE waits[] = {ready.get(), process_.get()};
    return ::WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
}

void ServerHost::Stop() {
    if (!process_) return;
    ::SetEvent(quit_.get());
    ::WaitForSingleObject(process_.get(), 30000);
    process_.reset();
}

}  // namespace bench
