// GetInstalledServers at growing numbers of installed servers in mixed states,
// against the same platform calls made in process plus one marshaled call
// that carries the same three arrays.

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
        if (StateOf(i) == ServerState::StoppedService && !InstallServerService(i)) return false;
    }
    if (count > state.registeredServers) state.registeredServers = count;
    return true;
}

bool MeasureInstalledServers(RunState& state) {
    ITesk_Agent* agent = state.agent.agent.get();
    IBenchBaseline* baseline = state.baseline.baseline.get();
    const char* section = "3 GetInstalledServers";
    std::vector<std::vector<double>> agentBySize, platformBySize;
    bool ok = true;

    for (unsigned size : state.options.sizes) {
        if (!RegisterServersUpTo(state, size)) {
            state.report.AddNote("list: registering " + std::to_string(size) + " servers failed");
            return false;
        }
        // The agent's answer, checked, and handed to the baseline server to return.
        Lists lists;
        HRESULT hr = agent->GetInstalledServers(lists.names.put(), lists.guids.put(),
                                                lists.status.put());
        std::string problem;
        if (FAILED(hr) || !Validate(lists, size, &problem)) {
            state.report.AddNote("list: the agent's answer at " + std::to_string(size) +
                                 " servers is wrong: " + problem);
            ok = false;
        }
        Lists direct;
        platform_calls::ListServers(direct.names.put(), direct.guids.put(), direct.status.put());
        if (!Validate(direct, size, &problem)) {
            state.report.AddNote("list: the in-process baseline's answer at " +
                                 std::to_string(size) + " servers is wrong: " + problem);
            ok = false;
        }
        state.baseline.setup->HoldServerList(lists.names.get(), lists.guids.get(),
                                                   lists.status.get());

        std::vector<double> agentMs, platformMs, marshalMs, ratio;
        for (unsigned repeat = 0; repeat < state.options.listRepeats; ++repeat) {
            const double p = TimePerCall(1, [] {
                Lists out;
                platform_calls::ListServers(out.names.put(), out.guids.put(), out.status.put());
            }) / 1000.0;
            const double m = TimePerCall(1, [=] {
                Lists out;
                baseline->GetInstalledServers(out.names.put(), out.guids.put(), out.status.put());
            }) / 1000.0;
            const double a = TimePerCall(1, [=] {
                Lists out;
                agent->GetInstalledServers(out.names.put(), out.guids.put(), out.status.put());
            }) / 1000.0;
            platformMs.push_back(p);
            marshalMs.push_back(m);
            agentMs.push_back(a);
            ratio.push_back(a / (p + m));
            Progress("list %u servers: agent %.1f ms, platform %.1f ms, marshaled %.2f ms", size, a,
                     p, m);
        }
        const std::string at = " at " + std::to_string(size) + " servers";
        state.report.AddFigure(section, "agent" + at, "ms", agentMs);
        state.report.AddFigure(section, "platform calls in process" + at, "ms", platformMs);
        state.report.AddFigure(section, "marshaled call with the same arrays" + at, "ms",
                               marshalMs);
        state.report.AddRatio(section, "agent / (platform calls + marshaled call)" + at, ratio,
                              1.2);
        agentBySize.push_back(agentMs);
        platformBySize.push_back(platformMs);
    }

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
        state.report.AddRatio(section, "platform calls in process " + sizes, platformGrowth, 0);
    }
    return ok;
}

}  // namespace bench
