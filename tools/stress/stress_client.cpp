#include "stress/stress_client.h"

#include "stress/call_mix.h"
#include "stress/hostile_inputs.h"

namespace stress {

namespace {

bool MoreCalls(const Options& options, unsigned done, ULONGLONG deadline) {
    return options.seconds ? ::GetTickCount64() < deadline : done < options.calls;
}

}  // namespace

int RunClient(const Options& options) {
    // A single-threaded apartment, like the plant's clients: the agent's calls
    // back (releases of published objects) are served while a call waits.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CallTally tally;
    int exitCode = 2;
    {
        tesk::UniqueComPtr<ITesk_Agent> agent;
        HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_ITesk_Agent, reinterpret_cast<void**>(agent.put()));
        if (SUCCEEDED(hr)) {
            CallContext context(agent.get(), options.seed, options.slowReleaseMs);
            context.OnlyMethod(std::string(options.method.begin(), options.method.end()));
            tesk::UniqueSysString key = MakeBstr(options.key);
            const ULONGLONG deadline = ::GetTickCount64() + options.seconds * 1000ull;
            for (unsigned done = 0; context.Ready() && MoreCalls(options, done, deadline); ++done) {
                switch (options.mix) {
                case Mix::Mixed: context.MixedCall(); break;
                case Mix::Malformed: context.MalformedCall(); break;
                case Mix::Rot: context.RotRound(); break;
                case Mix::Lookup:
                    context.LookUp(key.get());
                    context.MixedCall();
                    break;
                }
            }
            if (context.Ready()) exitCode = 0;
            tally.Merge(context.Tally());
        }
        if (exitCode == 2) tally.Add("CoCreateInstance", "valid", FAILED(hr) ? hr : E_NOINTERFACE, false);
    }
    if (exitCode == 0 && tally.Unexpected() != 0) exitCode = 1;
    if (!options.out.empty()) tally.Write(options.out);
    ::CoUninitialize();
    return exitCode;
}

}  // namespace stress
