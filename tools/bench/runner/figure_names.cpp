// GetIDsOfNames: answered from the agent's name cache, against the same
// look-up through the type information, in process (where the difference is
// visible) and across processes (where the client sees it).

#include <string>

#include "bench/common/stopwatch.h"
#include "bench/runner/local_agent.h"
#include "bench/runner/run_state.h"

namespace bench {

namespace {

// The method names of ITesk_Agent as the type library spells them, and in
// another letter case (which the cache does not answer).
const wchar_t* const kNames[] = {
    L"GetInstalledServers", L"GetActiveConfigFile", L"GetTeskAgentOnRemoteNode",
    L"Connect",             L"IsServerActive",      L"StartServer",
    L"StopServer",          L"GetConfigurator",     L"ConfigureNTService"};
constexpr unsigned kNameCount = sizeof(kNames) / sizeof(kNames[0]);

std::wstring Upper(const wchar_t* name) {
    std::wstring text = name;
    for (wchar_t& c : text) c = static_cast<wchar_t>(::towupper(c));
    return text;
}

// Average per look-up over `calls` look-ups, cycling through the names.
template <class Lookup>
double TimeLookups(unsigned calls, Lookup&& lookup, bool* allFound) {
    unsigned n = 0;
    return TimePerCall(calls, [&] {
        if (FAILED(lookup(n++ % kNameCount))) *allFound = false;
    });
}

}  // namespace

bool MeasureNameLookups(RunState& state) {
    tesk::UniqueComPtr<IDispatch> local;
    HRESULT hr = CreateLocalAgent(IID_IDispatch, reinterpret_cast<void**>(local.put()));
    tesk::UniqueComPtr<ITypeInfo> typeInfo;
    if (SUCCEEDED(hr)) hr = local->GetTypeInfo(0, 0, typeInfo.put());
    if (FAILED(hr)) {
        state.report.AddNote("names: the in-process agent object or its type information failed");
        return false;
    }
    std::vector<std::wstring> upper;
    for (const wchar_t* name : kNames) upper.push_back(Upper(name));

    IDispatch* object = local.get();
    ITypeInfo* info = typeInfo.get();
    IDispatch* remoteAgent = state.agent.agent.get();
    IDispatch* remoteBaseline = state.baseline.baseline.get();
    auto cached = [&](unsigned i) {
        LPOLESTR name = const_cast<LPOLESTR>(kNames[i]);
        DISPID id;
        return object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    };
    auto otherCase = [&](unsigned i) {
        LPOLESTR name = const_cast<LPOLESTR>(upper[i].c_str());
        DISPID id;
        return object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    };
    auto throughTypeInfo = [&](unsigned i) {
        LPOLESTR name = const_cast<LPOLESTR>(kNames[i]);
        MEMBERID id;
        return info->GetIDsOfNames(&name, 1, &id);
    };
    auto remote = [](IDispatch* target) {
        return [target](unsigned i) {
            LPOLESTR name = const_cast<LPOLESTR>(kNames[i]);
            DISPID id;
            return target->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
        };
    };

    bool found = true;
    std::vector<double> cacheUs, otherCaseUs, typeInfoUs, inRatio;
    std::vector<double> remoteAgentUs, remoteBaselineUs, remoteRatio;
    const unsigned calls = state.options.nameLookups;
    for (unsigned repeat = 0; repeat < state.options.repeats; ++repeat) {
        const double t = TimeLookups(calls, throughTypeInfo, &found);
        const double c = TimeLookups(calls, cached, &found);
        otherCaseUs.push_back(TimeLookups(calls, otherCase, &found));
        typeInfoUs.push_back(t);
        cacheUs.push_back(c);
        inRatio.push_back(c / t);
        const double b = TimeLookups(state.options.batch, remote(remoteBaseline), &found);
        const double a = TimeLookups(state.options.batch, remote(remoteAgent), &found);
        remoteBaselineUs.push_back(b);
        remoteAgentUs.push_back(a);
        remoteRatio.push_back(a / b);
    }
    if (!found) state.report.AddNote("names: a GetIDsOfNames look-up failed");

    const char* section = "4 GetIDsOfNames";
    state.report.AddFigure(section, "in process, agent name cache", "us", cacheUs);
    state.report.AddFigure(section, "in process, through the type information", "us", typeInfoUs);
    state.report.AddFigure(section, "in process, agent, name in other letter case (cache miss)",
                           "us", otherCaseUs);
    state.report.AddRatio(section, "in process: name cache / type information", inRatio, 0);
    state.report.AddFigure(section, "across processes, agent (name cache)", "us", remoteAgentUs);
    state.report.AddFigure(section, "across processes, minimal server (type information)", "us",
                           remoteBaselineUs);
    state.report.AddRatio(section, "across processes: agent / minimal server", remoteRatio, 0);
    return found;
}

}  // namespace bench
