// GetInstalledServers at growing numbers of installed servers in mixed states,
// half of them 32-bit servers (registered in the 32-bit view), against the
// platform calls of the first algorithm (category enumeration and one set of
// Service Control Manager calls per server) made in process for the same
// servers all in the 64-bit view, the only view that algorithm reads; and
// the same answers from the fewest of those calls, against the same.

#include <map>
#include <string>

#include "bench/common/bench_servers.h"
#include "bench/common/stopwatch.h"
#include "bench/platform_calls/platform_calls.h"
#include "bench/runner/run_state.h"

namespace bench {

namespace {

struct Lists {
    tesk::UniqueSafeArray names, guids, status;
};

// The benchmark's servers in the arrays, each with the activity word its
// state calls for. Other TeskServers of the prefix are left out of the count.
bool Validate(const Lists& lists, unsigned expected, std::string* problem) {
    LONG upper = -1;
    ::SafeArrayGetUBound(lists.names.get(), 1, &upper);
    LONG statusUpper = -1;
    ::SafeArrayGetUBound(lists.status.get(), 1, &statusUpper);
    if (upper != statusUpper) {
        *problem = "arrays of different lengths";
        return false;
    }
    std::map<std::wstring, unsigned> indexOf;
    for (unsigned index = 0; index < expected; ++index) indexOf[ServerClsidText(index)] = index;
    unsigned matched = 0;
    for (LONG i = 0; i <= upper; ++i) {
        BSTR guid = nullptr;
        LONG status = 0;
        ::SafeArrayGetElement(lists.guids.get(), &i, &guid);
        ::SafeArrayGetElement(lists.status.get(), &i, &status);
        tesk::UniqueSysString owned(guid);
        auto found = indexOf.find(guid ? guid : L"");
        if (found == indexOf.end()) continue;
        if (status != ExpectedActivity(found->second)) {
            *problem = "server " + std::to_string(found->second) + " reported as " +
                       std::to_string(status);
            return false;
        }
        ++matched;
    }
    if (matched != expected) {
        *problem = std::to_string(matched) + " of " + std::to_string(expected) + " servers listed";
        return false;
    }
    return true;
}

}  // namespace

bool RegisterServersUpTo(RunState& state, unsigned count) {
    for (unsigned i = state.registeredServers; i < count; ++i) {
        if (!RegisterServer(i)) return false;
        state.serverViews.push_back(0);
        if (StateOf(i) == ServerState::StoppedService && !InstallServerService(i)) return false;
    }
    if (count > state.registeredServers) state.registeredServers = count;
    return true;
}

namespace {

// Moves every registered server into the 64-bit view (split false: where the
// first algorithm sees them all) or half of them into the 32-bit view.
bool PlaceServers(RunState& state, bool split) {
    for (unsigned i = 0; i < state.registeredServers; ++i) {
        const REGSAM view = split ? SplitView(i) : 0;
        if (state.serverViews[i] == view) continue;
        UnregisterServer(i, state.serverViews[i]);
        if (!RegisterServer(i, view)) return false;
        state.serverViews[i] = view;
    }
    return true;
}

}  // namespace

// Each repeat measures the first algorithm's platform calls with every server
// in the 64-bit view, then the agent with half of them in the 32-bit view
// (which that algorithm cannot see), so load that comes and goes hits both.
bool MeasureInstalledServers(RunState& state) {
    ITesk_Agent* agent = state.agent.agent.get();
    const char* section = "3 GetInstalledServers";
    std::vector<std::vector<double>> agentBySize, platformBySize;
    bool ok = true;

    for (unsigned size : state.options.sizes) {
        if (!RegisterServersUpTo(state, size) || !PlaceServers(state, false)) {
            state.report.AddNote("list: registering " + std::to_string(size) + " servers failed");
            return false;
        }
        std::string problem;
        Lists direct, least;
        platform_calls::ListServers(direct.names.put(), direct.guids.put(), direct.status.put());
        platform_calls::ListServersLeast(least.names.put(), least.guids.put(), least.status.put());
        if (!Validate(direct, size, &problem) || !Validate(least, size, &problem)) {
            state.report.AddNote("list: an in-process baseline's answer at " +
                                 std::to_string(size) + " servers is wrong: " + problem);
            ok = false;
        }
        // The agent's answer with the servers split over both views, checked.
        if (!PlaceServers(state, true)) return false;
        Lists lists;
        HRESULT hr = agent->GetInstalledServers(lists.names.put(), lists.guids.put(),
                                                lists.status.put());
        if (FAILED(hr) || !Validate(lists, size, &problem)) {
            state.report.AddNote("list: the agent's answer at " + std::to_string(size) +
                                 " servers (half in the 32-bit view) is wrong: " + problem);
            ok = false;
        }

        std::vector<double> agentMs, platformMs, ratio, leastRatio;
        for (unsigned repeat = 0; repeat < state.options.listRepeats; ++repeat) {
            if (!PlaceServers(state, false)) return false;
            const double p = TimePerCall(1, [] {
                Lists out;
                platform_calls::ListServers(out.names.put(), out.guids.put(), out.status.put());
            }) / 1000.0;
            const double least = TimePerCall(1, [] {
                Lists out;
                platform_calls::ListServersLeast(out.names.put(), out.guids.put(),
                                                 out.status.put());
            }) / 1000.0;
            leastRatio.push_back(least / p);
            if (!PlaceServers(state, true)) return false;
            const double a = TimePerCall(1, [=] {
                Lists out;
                agent->GetInstalledServers(out.names.put(), out.guids.put(), out.status.put());
            }) / 1000.0;
            platformMs.push_back(p);
            agentMs.push_back(a);
            ratio.push_back(a / p);
            Progress("list %u servers: agent %.1f ms (half 32-bit), first algorithm %.1f ms", size,
                     a, p);
        }
        const std::string at = " at " + std::to_string(size) + " servers";
        state.report.AddFigure(section, "agent, half of them in the 32-bit view" + at, "ms",
                               agentMs);
        state.report.AddFigure(section, "first algorithm's platform calls, all in the 64-bit view" + at,
                               "ms", platformMs);
        // The fixed part of a call (the category enumerations) dominates small lists.
        state.report.AddRatio(section, "agent / first algorithm's platform calls" + at, ratio,
                              size >= 1000 ? 0.25 : 0);
        // How low the ratio can go while each answer comes from the platform
        // calls the first algorithm uses (all in the 64-bit view).
        state.report.AddRatio(section,
                              "same answers from the fewest of its calls / first algorithm's" + at,
                              leastRatio, 0);
        agentBySize.push_back(agentMs);
        platformBySize.push_back(platformMs);
    }
    PlaceServers(state, false);

    // Growth between the two largest sizes, repeat by repeat.
    const size_t n = state.options.sizes.size();
    if (n >= 2) {
        const unsigned small = state.options.sizes[n - 2];
        const unsigned large = state.options.sizes[n - 1];
        std::vector<double> growth;
        for (size_t i = 0; i < agentBySize[n - 1].size() && i < agentBySize[n - 2].size(); ++i)
            growth.push_back(agentBySize[n - 1][i] / agentBySize[n - 2][i]);
        const double linear = static_cast<double>(large) / small;
        const std::string sizes = "t(" + std::to_string(large) + ") / t(" +
                                  std::to_string(small) + ")";
        state.report.AddRatio(section, "agent " + sizes, growth, linear * 1.05);
        // The same growth of the platform calls alone shows what the agent cannot change.
        std::vector<double> platformGrowth;
        for (size_t i = 0; i < platformBySize[n - 1].size() && i < platformBySize[n - 2].size(); ++i)
            platformGrowth.push_back(platformBySize[n - 1][i] / platformBySize[n - 2][i]);
        state.report.AddRatio(section, "first algorithm's platform calls " + sizes, platformGrowth,
                              0);
    }
    return ok;
}

}  // namespace bench
