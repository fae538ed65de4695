// Cross-process call cost: each agent method against the same call to the
// baseline server (which only fills its out-parameters) plus, where the
// method must make platform calls, those calls made directly in process.

#include <functional>
#include <string>

#include "bench/common/bench_servers.h"
#include "bench/common/stopwatch.h"
#include "bench/platform_calls/platform_calls.h"
#include "bench/runner/dispatch_calls.h"
#include "bench/runner/run_state.h"

namespace bench {

namespace {

struct CallSeries {
    std::string name;
    std::function<HRESULT()> agent;
    std::function<HRESULT()> baseline;
    std::function<void()> platform;  // empty: the method makes no platform call of its own
    double target;
    std::vector<double> agentUs, baselineUs, platformUs, ratio;
};

const wchar_t kUnknownName[] = L"TeskBench.NoSuchServer";

// A hit must hand out an object.
HRESULT CheckObject(HRESULT hr, const tesk::UniqueComPtr<IUnknown>& object) {
    return SUCCEEDED(hr) && !object ? E_POINTER : hr;
}

HRESULT CheckObject(HRESULT hr, const tesk::UniqueVariant& value) {
    return SUCCEEDED(hr) && V_VT(value.get()) != VT_UNKNOWN ? E_UNEXPECTED : hr;
}

}  // namespace

bool MeasureCallCosts(RunState& state) {
    ITesk_Agent* agent = state.agent.agent.get();
    ITeskRot* agentRot = state.agent.rot.get();
    IBenchBaseline* baseline = state.baseline.baseline.get();
    IBenchBaselineRot* baselineRot = state.baseline.rot.get();
    const VARIANT& published = *state.published.get();

    // The baseline hands out the same server object as the Tesk ROT does.
    tesk::UniqueSysString key0 = MakeBstr(ServerClsidText(0));
    BSTR key = key0.get();
    if (FAILED(baselineRot->TeskRotRegister(key, published))) return false;

    struct NamedServer {
        std::string label;
        std::wstring name;
        LONG expected;
    };
    const NamedServer servers[] = {
        {"unknown name", kUnknownName, 0x00010004},
        {"stopped", ServerProgId(3), ExpectedActivity(3)},
        {"stopped, demand-start service", ServerProgId(2), ExpectedActivity(2)},
        {"running", ServerProgId(0), ExpectedActivity(0)},
    };
    std::vector<tesk::UniqueSysString> names;
    for (const NamedServer& server : servers) names.push_back(MakeBstr(server.name));
    tesk::UniqueSysString progId0 = MakeBstr(ServerProgId(0));
    const std::wstring progId0Text = ServerProgId(0);

    std::vector<CallSeries> series;
    series.push_back({"TeskRotGetActiveObject (hit), vtable",
                      [=] {
                          tesk::UniqueVariant v;
                          return CheckObject(agentRot->TeskRotGetActiveObject(key, v.get()), v);
                      },
                      [=] {
                          tesk::UniqueVariant v;
                          return CheckObject(baselineRot->TeskRotGetActiveObject(key, v.get()), v);
                      },
                      nullptr, 1.05});
    for (size_t i = 0; i < names.size(); ++i) {
        BSTR name = names[i].get();
        const LONG expected = servers[i].expected;
        const std::wstring text = servers[i].name;
        auto check = [expected](HRESULT hr, LONG context) {
            return SUCCEEDED(hr) && context != expected ? E_UNEXPECTED : hr;
        };
        for (bool dispatch : {false, true}) {
            CallSeries s;
            s.name = "IsServerActive (" + servers[i].label + (dispatch ? "), Invoke" : "), vtable");
            s.agent = [=] {
                LONG context = 0;
                HRESULT hr = dispatch ? InvokeIsServerActive(agent, name, &context)
                                      : agent->IsServerActive(name, &context);
                return check(hr, context);
            };
            s.baseline = [=] {
                LONG context = 0;
                return dispatch ? InvokeIsServerActive(baseline, name, &context)
                                : baseline->IsServerActive(name, &context);
            };
            s.platform = [=] { platform_calls::ServerActivity(text.c_str()); };
            s.target = 1.2;
            series.push_back(std::move(s));
        }
    }
    for (bool dispatch : {false, true}) {
        CallSeries s;
        s.name = std::string("Connect (Tesk ROT hit), ") + (dispatch ? "Invoke" : "vtable");
        BSTR name = progId0.get();
        s.agent = [=] {
            tesk::UniqueComPtr<IUnknown> server;
            HRESULT hr = dispatch ? InvokeConnect(agent, name, server.put())
                                  : agent->Connect(name, server.put());
            return CheckObject(hr, server);
        };
        s.baseline = [=] {
            tesk::UniqueComPtr<IUnknown> server;
            HRESULT hr = dispatch ? InvokeConnect(baseline, name, server.put())
                                  : baseline->Connect(name, server.put());
            return CheckObject(hr, server);
        };
        s.platform = [=, &published] {
            tesk::UniqueComPtr<IUnknown> server;
            platform_calls::ConnectHit(progId0Text.c_str(), published, server.put());
        };
        s.target = 1.2;
        series.push_back(std::move(s));
    }

    // Warm-up, and a check that every call does what it should.
    for (CallSeries& s : series) {
        for (int i = 0; i < 5; ++i) {
            HRESULT a = s.agent();
            HRESULT b = s.baseline();
            if (FAILED(a) || FAILED(b)) {
                state.report.AddNote("call cost: " + s.name + " failed (agent 0x" +
                                     std::to_string(static_cast<unsigned long>(a)) +
                                     ", baseline 0x" +
                                     std::to_string(static_cast<unsigned long>(b)) + ")");
                Progress("call cost: %s failed: agent 0x%08lX baseline 0x%08lX", s.name.c_str(),
                         static_cast<unsigned long>(a), static_cast<unsigned long>(b));
                return false;
            }
            if (s.platform) s.platform();
        }
    }
    IBenchBaselineSetup* setup = state.baseline.setup.get();
    std::vector<double> emptyUs;

    const unsigned batch = state.options.batch;
    const unsigned kBlocks = batch >= 50 ? 10 : 1;
    for (unsigned repeat = 0; repeat < state.options.repeats; ++repeat) {
        emptyUs.push_back(TimePerCall(batch, [=] { setup->Empty(); }));
        for (CallSeries& s : series) {
            // Short blocks in alternation, so that load which comes and goes
            // during a sample falls on both sides alike.
            double b = 0, p = 0, a = 0;
            for (unsigned block = 0; block < kBlocks; ++block) {
                b += TimePerCall(batch / kBlocks, s.baseline) / kBlocks;
                if (s.platform) p += TimePerCall(batch / kBlocks, s.platform) / kBlocks;
                a += TimePerCall(batch / kBlocks, s.agent) / kBlocks;
            }
            s.baselineUs.push_back(b);
            s.agentUs.push_back(a);
            if (s.platform) s.platformUs.push_back(p);
            s.ratio.push_back(a / (b + p));
        }
        Progress("call cost: repeat %u of %u", repeat + 1, state.options.repeats);
    }

    const char* section = "2 Call cost";
    state.report.AddFigure(section, "empty marshaled call (no arguments)", "us", emptyUs);
    for (CallSeries& s : series) {
        state.report.AddFigure(section, s.name + ": agent", "us", s.agentUs);
        state.report.AddFigure(section, s.name + ": same call to the minimal server", "us",
                               s.baselineUs);
        if (s.platform)
            state.report.AddFigure(section, s.name + ": its platform calls in process", "us",
                                   s.platformUs);
        state.report.AddRatio(section,
                              s.name + (s.platform ? " / (minimal call + platform calls)"
                                                   : " / minimal call"),
                              s.ratio, s.target);
    }
    return true;
}

}  // namespace bench
