// Property requests of growing size: the answer time must grow with the
// request, not with its square (the answer arrays are made at their size once).

#include <string>
#include <vector>

#include "bench/common/stopwatch.h"
#include "bench/runner/run_state.h"

namespace bench {

namespace {

constexpr ULONG kSmallRequest = 20000;
constexpr ULONG kLargeRequest = 80000;
constexpr LONG kUnknownProperty = 99;  // answered as VT_EMPTY: no lookup per element

tesk::UniqueSafeArray Request(ULONG count) {
    tesk::UniqueSafeArray ids(::SafeArrayCreateVector(VT_I4, 0, count));
    LONG* data = nullptr;
    if (ids && SUCCEEDED(::SafeArrayAccessData(ids.get(), reinterpret_cast<void**>(&data)))) {
        for (ULONG i = 0; i < count; ++i) data[i] = kUnknownProperty;
        ::SafeArrayUnaccessData(ids.get());
    }
    return ids;
}

// Milliseconds for one request of `count` ids; negative when the answer is wrong.
double TimeRequest(ITeskServerInfo* info, BSTR server, SAFEARRAY* ids, ULONG count) {
    tesk::UniqueSafeArray values, errors;
    HRESULT hr = S_OK;
    const double ms = TimePerCall(1, [&] {
                          hr = info->GetTeskServerProperties(server, ids, values.put(),
                                                             errors.put());
                      }) / 1000.0;
    if (FAILED(hr) || !values || values->rgsabound[0].cElements != count) return -1;
    return ms;
}

}  // namespace

bool MeasureRequestSizes(RunState& state) {
    const char* section = "6 GetTeskServerProperties by request size";
    tesk::UniqueComPtr<ITeskServerInfo> info;
    if (FAILED(state.agent.agent->QueryInterface(IID_ITeskServerInfo,
                                                       reinterpret_cast<void**>(info.put()))))
        return false;
    tesk::UniqueSysString server = MakeBstr(L"TeskBench.NoSuchServer");
    tesk::UniqueSafeArray small = Request(kSmallRequest), large = Request(kLargeRequest);
    const unsigned repeats = state.options.quick ? 1 : 3;

    std::vector<double> smallMs, largeMs, growth;
    for (unsigned repeat = 0; repeat < repeats; ++repeat) {
        const double s = TimeRequest(info.get(), server.get(), small.get(), kSmallRequest);
        const double l = TimeRequest(info.get(), server.get(), large.get(), kLargeRequest);
        if (s <= 0 || l <= 0) {
            state.report.AddNote("request sizes: the agent's answer has the wrong size");
            return false;
        }
        Progress("properties: %lu ids %.0f ms, %lu ids %.0f ms", kSmallRequest, s, kLargeRequest,
                 l);
        smallMs.push_back(s);
        largeMs.push_back(l);
        growth.push_back(l / s);
    }
    const std::string small_ = std::to_string(kSmallRequest), large_ = std::to_string(kLargeRequest);
    state.report.AddFigure(section, small_ + " ids", "ms", smallMs);
    state.report.AddFigure(section, large_ + " ids", "ms", largeMs);
    // Four times the ids: linear growth is 4, with room for the machine's noise.
    state.report.AddRatio(section, "t(" + large_ + ") / t(" + small_ + ")", growth, 5.0);
    return true;
}

}  // namespace bench
