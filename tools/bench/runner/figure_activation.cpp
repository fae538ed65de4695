// Activation: CoCreateInstance until the first method call returns, with the
// server process not running, for the agent and for the baseline server.

#include "bench/common/bench_ids.h"
#include "bench/common/process_stats.h"
#include "bench/common/stopwatch.h"
#include "bench/runner/run_state.h"

namespace bench {

namespace {

constexpr DWORD kExitWaitMs = 30000;  // the agent ends a little over 6 s after its last release

template <class Interface>
double ActivateAndCall(const CLSID& clsid, const IID& iid) {
    tesk::UniqueSysString name = MakeBstr(L"TeskBench.NoSuchServer");
    Stopwatch watch;
    tesk::UniqueComPtr<Interface> object;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, iid,
                                    reinterpret_cast<void**>(object.put()));
    LONG context = 0;
    if (SUCCEEDED(hr)) hr = object->IsServerActive(name.get(), &context);
    const double elapsed = watch.ElapsedMicroseconds() / 1000.0;
    return SUCCEEDED(hr) ? elapsed : -1;
}

}  // namespace

bool MeasureActivation(RunState& state) {
    std::vector<double> agent, baseline, ratio;
    // Round 0 warms the file cache and is not recorded.
    for (unsigned round = 0; round <= state.options.activationRepeats; ++round) {
        if (!WaitUntilGone(kAgentExeName, kExitWaitMs) ||
            !WaitUntilGone(kBaselineExeName, kExitWaitMs)) {
            state.report.AddNote("activation: a server process did not end; figure incomplete");
            return false;
        }
        const double b = ActivateAndCall<IBenchBaseline>(kBaselineClsid, IID_IBenchBaseline);
        if (!WaitUntilGone(kBaselineExeName, kExitWaitMs)) return false;
        const double a = ActivateAndCall<ITesk_Agent>(CLSID_Tesk_Agent, IID_ITesk_Agent);
        if (a < 0 || b < 0) {
            state.report.AddNote("activation: an activation or its first call failed");
            return false;
        }
        Progress("activation round %u: agent %.1f ms, baseline %.1f ms", round, a, b);
        if (round == 0) continue;
        agent.push_back(a);
        baseline.push_back(b);
        ratio.push_back(a / b);
    }
    const char* section = "1 Activation";
    state.report.AddFigure(section, "agent: create + first call", "ms", agent);
    state.report.AddFigure(section, "minimal server: create + first call", "ms", baseline);
    state.report.AddRatio(section, "agent / minimal server", ratio, 1.10);
    return WaitUntilGone(kAgentExeName, kExitWaitMs);
}

}  // namespace bench
