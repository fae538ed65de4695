// Memory and handles of the agent process against the minimal server: right
// after start, and before and after a long run of mixed calls.

#include <string>

#include "bench/common/bench_ids.h"
#include "bench/common/bench_servers.h"
#include "bench/common/process_stats.h"
#include "bench/runner/dispatch_calls.h"
#include "bench/runner/run_state.h"

namespace bench {

namespace {

struct Reading {
    std::vector<double> workingSetKb, privateKb, handles;
};

// A few readings a little apart, so one reading's noise shows as spread.
Reading Read(const wchar_t* exeName) {
    Reading reading;
    const DWORD processId = FindProcessId(exeName);
    for (int i = 0; i < 5 && processId; ++i) {
        ProcessStats stats = ReadProcessStats(processId);
        if (!stats.valid) break;
        reading.workingSetKb.push_back(stats.workingSetKb);
        reading.privateKb.push_back(stats.privateKb);
        reading.handles.push_back(stats.handles);
        ::Sleep(50);
    }
    return reading;
}

Reading g_agentStart, g_baselineStart;

std::vector<double> Quotients(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) out.push_back(b[i] ? a[i] / b[i] : 0);
    return out;
}

std::vector<double> Differences(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) out.push_back(a[i] - b[i]);
    return out;
}

void AddReadings(Report& report, const std::string& when, const Reading& agent,
                 const Reading& baseline) {
    const char* section = "5 Memory and handles";
    report.AddFigure(section, "agent working set, " + when, "KB", agent.workingSetKb);
    report.AddFigure(section, "minimal server working set, " + when, "KB", baseline.workingSetKb);
    report.AddFigure(section, "agent private bytes, " + when, "KB", agent.privateKb);
    report.AddFigure(section, "minimal server private bytes, " + when, "KB", baseline.privateKb);
    report.AddFigure(section, "agent handles, " + when, "count", agent.handles);
    report.AddFigure(section, "minimal server handles, " + when, "count", baseline.handles);
    report.AddRatio(section, "working set, agent / minimal server, " + when,
                    Quotients(agent.workingSetKb, baseline.workingSetKb), 0);
    report.AddRatio(section, "private bytes, agent / minimal server, " + when,
                    Quotients(agent.privateKb, baseline.privateKb), 0);
}

}  // namespace

void ReadStartMemory() {
    g_agentStart = Read(kAgentExeName);
    g_baselineStart = Read(kBaselineExeName);
}

bool MeasureMemory(RunState& state) {
    ITesk_Agent* agent = state.agent.agent.get();
    ITeskRot* agentRot = state.agent.rot.get();
    IBenchBaseline* baseline = state.baseline.baseline.get();
    IBenchBaselineRot* baselineRot = state.baseline.rot.get();
    tesk::UniqueSysString unknown = MakeBstr(L"TeskBench.NoSuchServer");
    tesk::UniqueSysString key0 = MakeBstr(ServerClsidText(0));
    tesk::UniqueSysString absentKey = MakeBstr(ServerClsidText(1));
    tesk::UniqueSysString progIds[4] = {MakeBstr(ServerProgId(0)), MakeBstr(ServerProgId(1)),
                                        MakeBstr(ServerProgId(2)), MakeBstr(ServerProgId(3))};
    LPOLESTR memberName = const_cast<LPOLESTR>(L"IsServerActive");

    // One round of the mixed calls a configuration tool makes, on either peer.
    auto round = [&](auto* peer, auto* rot) {
        LONG context = 0;
        DISPID id;
        unsigned failures = 0;
        failures += FAILED(peer->IsServerActive(unknown.get(), &context));
        for (auto& name : progIds) failures += FAILED(peer->IsServerActive(name.get(), &context));
        {
            tesk::UniqueVariant value;
            failures += FAILED(rot->TeskRotGetActiveObject(key0.get(), value.get()));
        }
        {
            tesk::UniqueVariant value;
            rot->TeskRotGetActiveObject(absentKey.get(), value.get());  // a miss on the agent
        }
        {
            tesk::UniqueComPtr<IUnknown> server;
            failures += FAILED(peer->Connect(progIds[0].get(), server.put()));
        }
        failures += FAILED(InvokeIsServerActive(peer, progIds[0].get(), &context));
        failures += FAILED(peer->GetIDsOfNames(IID_NULL, &memberName, 1, 0, &id));
        return failures;
    };
    constexpr unsigned kCallsPerRound = 10;

    Reading agentWarm = Read(kAgentExeName);
    Reading baselineWarm = Read(kBaselineExeName);
    const unsigned rounds = state.options.mixedCalls / kCallsPerRound;
    unsigned failures = 0;
    for (unsigned i = 0; i < rounds; ++i) {
        failures += round(agent, agentRot);
        failures += round(baseline, baselineRot);
        if ((i + 1) % 1000 == 0) Progress("mixed calls: %u of %u", (i + 1) * kCallsPerRound,
                                          rounds * kCallsPerRound);
    }
    Reading agentAfter = Read(kAgentExeName);
    Reading baselineAfter = Read(kBaselineExeName);
    if (agentAfter.handles.empty() || baselineAfter.handles.empty()) {
        state.report.AddNote("memory: the server processes could not be read");
        return false;
    }
    if (failures) state.report.AddNote("memory: " + std::to_string(failures) + " mixed calls failed");

    const std::string calls = std::to_string(rounds * kCallsPerRound) + " mixed calls";
    AddReadings(state.report, "after start", g_agentStart, g_baselineStart);
    AddReadings(state.report, "before the " + calls, agentWarm, baselineWarm);
    AddReadings(state.report, "after the " + calls, agentAfter, baselineAfter);
    const char* section = "5 Memory and handles";
    auto addGrowth = [&](const std::string& what, const char* unit,
                         std::vector<double> Reading::*field) {
        state.report.AddFigure(section, "agent " + what + " growth over the " + calls, unit,
                               Differences(agentAfter.*field, agentWarm.*field));
        state.report.AddFigure(section, "minimal server " + what + " growth over the " + calls,
                               unit, Differences(baselineAfter.*field, baselineWarm.*field));
    };
    addGrowth("working set", "KB", &Reading::workingSetKb);
    addGrowth("private bytes", "KB", &Reading::privateKb);
    addGrowth("handle", "count", &Reading::handles);
    return failures == 0;
}

}  // namespace bench
