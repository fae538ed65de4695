// The agent's own cost per call, without the transport: the agent object in
// this process against the platform calls its algorithm must make. Where a
// cross-process figure misses its target, this shows whether the agent's
// code or the transport is the reason.

#include <functional>
#include <string>

#include "bench/common/bench_servers.h"
#include "bench/common/stopwatch.h"
#include "bench/platform_calls/platform_calls.h"
#include "bench/runner/local_agent.h"
#include "bench/runner/run_state.h"
#include "diagnostics/log_client.h"

namespace bench {

bool MeasureInProcess(RunState& state) {
    tesk::UniqueComPtr<ITesk_Agent> local;
    HRESULT hr = CreateLocalAgent(IID_ITesk_Agent, reinterpret_cast<void**>(local.put()));
    tesk::UniqueComPtr<ITeskRot> localRot;
    if (SUCCEEDED(hr))
        hr = local->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(localRot.put()));
    // This process's own table gets server 0's object, as the agent's has it.
    tesk::UniqueSysString key0 = MakeBstr(ServerClsidText(0));
    if (SUCCEEDED(hr)) hr = localRot->TeskRotRegister(key0.get(), *state.published.get());
    if (FAILED(hr)) {
        state.report.AddNote("in process: the local agent object failed");
        return false;
    }
    ITesk_Agent* agent = local.get();
    ITeskRot* rot = localRot.get();
    BSTR key = key0.get();
    const VARIANT& published = *state.published.get();

    struct Pair {
        std::string name;
        std::function<void()> agent;
        std::function<void()> platform;
        std::vector<double> agentUs, platformUs, ratio;
        double target = 0;
    };
    std::vector<Pair> pairs;
    const std::wstring names[] = {L"TeskBench.NoSuchServer", ServerProgId(3), ServerProgId(2),
                                  ServerProgId(0)};
    const char* labels[] = {"unknown name", "stopped", "stopped, demand-start service", "running"};
    std::vector<tesk::UniqueSysString> bstrs;
    for (const std::wstring& name : names) bstrs.push_back(MakeBstr(name));
    for (size_t i = 0; i < 4; ++i) {
        BSTR name = bstrs[i].get();
        std::wstring text = names[i];
        pairs.push_back({std::string("IsServerActive (") + labels[i] + ")",
                         [=] {
                             LONG context;
                             agent->IsServerActive(name, &context);
                         },
                         [=] { platform_calls::ServerActivity(text.c_str()); }});
    }
    // A server without a service costs one attempt to open its service on the
    // process's one Service Control Manager connection, where the platform
    // calls of the first algorithm connect, open and close the connection.
    pairs[1].target = 0.7;
    pairs.push_back({"TeskRotGetActiveObject (hit)",
                     [=] {
                         tesk::UniqueVariant v;
                         rot->TeskRotGetActiveObject(key, v.get());
                     },
                     [=, &published] {
                         tesk::UniqueVariant v;
                         ::VariantCopy(v.get(), const_cast<VARIANT*>(&published));
                     }});
    BSTR progId0 = bstrs[3].get();
    const std::wstring progId0Text = names[3];
    pairs.push_back({"Connect (Tesk ROT hit)",
                     [=] {
                         tesk::UniqueComPtr<IUnknown> server;
                         agent->Connect(progId0, server.put());
                     },
                     [=, &published] {
                         tesk::UniqueComPtr<IUnknown> server;
                         platform_calls::ConnectHit(progId0Text.c_str(), published, server.put());
                     }});

    // The question every trace record of the agent asks first. Without the
    // logger library, each log call and flag test looks for it again (so that
    // a library installed later is picked up): its install folder in the
    // registry, then LoadLibraryW, which fails after searching the DLL path.
    GuardedLogTrace(L"%s", L"loads the library when it is there");
    const bool loggerLoaded = CLogClient::Instance().IsLoaded();
    pairs.push_back({loggerLoaded ? "trace-flag check, logger installed"
                                  : "trace-flag check, no logger installed",
                     [] { GuardedLogTrace(L"%s", L"not written while trace is off"); },
                     [loggerLoaded] {
                         if (loggerLoaded) return;
                         tesk::UniqueRegKey key;
                         if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, TESK_LOGGER_KEY, 0, KEY_READ,
                                             key.put()) == ERROR_SUCCESS) {
                             wchar_t folder[261];
                             DWORD type = 0, bytes = sizeof(folder);
                             ::RegQueryValueExW(key.get(), L"InstallPath", nullptr, &type,
                                                reinterpret_cast<BYTE*>(folder), &bytes);
                         }
                         tesk::UniqueLibrary library(::LoadLibraryW(L"Tracemill.dll"));
                     }});

    const unsigned batch = state.options.batch;
    for (unsigned repeat = 0; repeat < state.options.repeats; ++repeat) {
        for (Pair& p : pairs) {
            const double b = TimePerCall(batch, p.platform);
            const double a = TimePerCall(batch, p.agent);
            p.platformUs.push_back(b);
            p.agentUs.push_back(a);
            p.ratio.push_back(a / b);
        }
    }
    const char* section = "2b Agent code in process";
    for (Pair& p : pairs) {
        state.report.AddFigure(section, p.name + ": agent object in process", "us", p.agentUs);
        state.report.AddFigure(section, p.name + ": platform calls only", "us", p.platformUs);
        state.report.AddRatio(section, p.name + ": agent / platform calls", p.ratio, p.target);
    }
    localRot->TeskRotUnRegister(key);
    return true;
}

}  // namespace bench
