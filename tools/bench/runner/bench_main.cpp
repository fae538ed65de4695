// TeskBench.exe: measures what the agent costs against what the platform
// costs, in one run, and writes bench-results.md and bench-results.json.
// Runs in a prefix prepared by scripts/bench.sh (agent and baseline server
// installed); registers the benchmark's TeskServers itself.

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "bench/common/bench_ids.h"
#include "bench/common/bench_servers.h"
#include "bench/common/process_stats.h"
#include "bench/runner/run_state.h"

namespace bench {

void Progress(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

namespace {

// The host's load while the run goes on, as Linux reports it through Wine's Z: drive.
std::string HostLoad() {
    tesk::UniqueFileHandle file(::CreateFileW(L"Z:\\proc\\loadavg", GENERIC_READ,
                                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                              nullptr));
    if (!file) return "unknown";
    char text[128] = {};
    DWORD read = 0;
    ::ReadFile(file.get(), text, sizeof(text) - 1, &read, nullptr);
    std::string load(text, read);
    while (!load.empty() && (load.back() == '\n' || load.back() == '\r')) load.pop_back();
    return load;
}

std::string Timestamp() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char text[64];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u UTC", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute);
    return text;
}

bool Run(RunState& state) {
    Report& report = state.report;
    const Options& options = state.options;
    report.SetContext("run", options.quick ? "quick pass (small sizes, few repeats)" : "full");
    report.SetContext("date", Timestamp());
    if (!options.machine.empty()) report.SetContext("machine", options.machine);
    report.SetContext("load average at start (1, 5, 15 min, tasks, last pid)", HostLoad());
    report.SetContext("samples", std::to_string(options.repeats) + " per call figure, " +
                                     std::to_string(options.batch) + " calls each");

    bool ok = MeasureActivation(state);

    // Servers with indices 0..3 take part in the call figures.
    unsigned hostCount = 4;
    for (unsigned size : options.sizes) hostCount = size > hostCount ? size : hostCount;
    if (!RegisterServersUpTo(state, options.sizes.front() > 4 ? options.sizes.front() : 4) ||
        !state.host.Start(hostCount)) {
        Progress("setting up the servers failed");
        return false;
    }
    HRESULT hr = CreateAgentPeer(&state.agent);
    if (SUCCEEDED(hr)) hr = CreateBaselinePeer(&state.baseline);
    if (FAILED(hr)) {
        Progress("creating the agent or the baseline server failed: 0x%08lX",
                 static_cast<unsigned long>(hr));
        return false;
    }
    ReadStartMemory();
    // Server 0's object, as the Tesk ROT hands it out.
    tesk::UniqueSysString key0 = MakeBstr(ServerClsidText(0));
    hr = state.agent.rot->TeskRotGetActiveObject(key0.get(), state.published.get());
    if (FAILED(hr) || V_VT(state.published.get()) != VT_UNKNOWN) {
        Progress("server 0 is not in the Tesk ROT: 0x%08lX", static_cast<unsigned long>(hr));
        return false;
    }

    ok &= MeasureCallCosts(state);
    ok &= MeasureInProcess(state);
    ok &= MeasureNameLookups(state);
    ok &= MeasureInstalledServers(state);
    ok &= MeasureRequestSizes(state);
    ok &= MeasureMemory(state);
    report.SetContext("load average at end", HostLoad());
    return ok;
}

}  // namespace
}  // namespace bench

int wmain(int argc, wchar_t** argv) {
    bench::RunState state;
    if (!bench::ParseOptions(argc, argv, &state.options)) return 2;
    ::CoInitialize(nullptr);
    bool ok = bench::Run(state);
    state.published.reset();
    state.agent = {};
    state.baseline = {};
    state.host.Stop();

    const std::wstring md = state.options.outDir + L"\\bench-results.md";
    const std::wstring json = state.options.outDir + L"\\bench-results.json";
    if (!state.report.WriteMarkdown(md) || !state.report.WriteJson(json)) {
        bench::Progress("writing the results failed");
        ok = false;
    }
    for (const std::string& missed : state.report.MissedTargets())
        bench::Progress("target missed: %s", missed.c_str());
    ::CoUninitialize();
    return ok ? 0 : 1;
}
