// The run: holds one agent object first (so every client reaches the same
// agent process), then starts the client processes round by round, kills
// some of them in the kill rounds, and reports calls, unexpected answers and
// the agent process's figures.
#include <cstdio>
#include <string>
#include <vector>

#include "TeskAgent_h.h"
#include "bench/common/process_stats.h"
#include "stress/call_tally.h"
#include "stress/expected_answers.h"
#include "stress/stress_client.h"
#include "support/unique_resource.h"

namespace stress {

namespace {

const wchar_t kAgentExe[] = L"TeskAgent.exe";

struct Client {
    tesk::UniqueKernelHandle process;
    std::wstring tallyFile;
    bool killed = false;
    DWORD startError = 0;
};

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

Client StartClient(const Options& options, unsigned round, unsigned index) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    Client client;
    client.tallyFile = std::wstring(folder) + L"TeskStress-" +
                       std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(round) +
                       L"-" + std::to_wstring(index) + L".txt";
    std::wstring command = L"\"" + ThisProgram() + L"\" --client --mix " + MixName(options.mix) +
                           L" --calls " + std::to_wstring(options.calls) + L" --seed " +
                           std::to_wstring(options.seed * 1000 + round * 100 + index) +
                           L" --slow-release " + std::to_wstring(options.slowReleaseMs) +
                           L" --out \"" + client.tallyFile + L"\"" +
                           (options.method.empty() ? L"" : L" --method " + options.method);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    if (::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &started)) {
        tesk::UniqueKernelHandle thread(started.hThread);
        client.process.reset(started.hProcess);
    } else {
        client.startError = ::GetLastError();
    }
    return client;
}

// Waits for all handles while serving this thread's messages: this process
// is a client of the agent too.
void WaitPumping(const std::vector<HANDLE>& handles, DWORD ms) {
    const ULONGLONG deadline = ::GetTickCount64() + ms;
    for (;;) {
        bool all = true;
        for (HANDLE h : handles) all = all && ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
        const ULONGLONG now = ::GetTickCount64();
        if (all || now >= deadline) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}

struct RoundResult {
    CallTally tally;
    unsigned finished = 0, killed = 0, failedClients = 0;
};

RoundResult RunRound(const Options& options, unsigned round, bool kills) {
    RoundResult result;
    std::vector<Client> clients;
    std::vector<HANDLE> handles;
    for (unsigned i = 0; i < options.clients; ++i) {
        clients.push_back(StartClient(options, round, i));
        if (clients.back().process) handles.push_back(clients.back().process.get());
    }
    if (kills) {
        // Every other client dies in the middle of its calls.
        WaitPumping({}, 2500);
        for (size_t i = 0; i < clients.size(); i += 2)
            if (clients[i].process && ::TerminateProcess(clients[i].process.get(), 9))
                clients[i].killed = true;
    }
    WaitPumping(handles, 30 * 60 * 1000);
    for (unsigned index = 0; index < clients.size(); ++index) {
        Client& client = clients[index];
        DWORD code = 2;
        if (client.process) ::GetExitCodeProcess(client.process.get(), &code);
        if (client.killed) {
            ++result.killed;
        } else {
            ++result.finished;
            const bool read = result.tally.Read(client.tallyFile);
            if (!client.process) {
                std::printf("  client %u could not be started (error %lu)\n", index,
                            static_cast<unsigned long>(client.startError));
                ++result.failedClients;
            } else if (code != 0 || !read) {
                std::printf("  client %u ended with exit code 0x%lx%s\n", index,
                            static_cast<unsigned long>(code), read ? "" : " and no tally");
                ++result.failedClients;
            }
        }
        ::DeleteFileW(client.tallyFile.c_str());
    }
    return result;
}

void PrintAnswers(const CallTally& total) {
    std::printf("\nAnswers by method, input class and HRESULT (expected in brackets):\n");
    std::printf("%-27s %-22s %-10s %-12s %10s %10s\n", "method", "input", "HRESULT", "[expected]",
                "calls", "unexpected");
    for (const auto& [key, counts] : total.Entries()) {
        const ExpectedAnswer* row = FindExpected(key.method.c_str(), key.input.c_str());
        std::printf("%-27s %-22s 0x%08lx [0x%08lx] %10llu %10llu\n", key.method.c_str(),
                    key.input.c_str(), static_cast<unsigned long>(key.result),
                    row ? static_cast<unsigned long>(row->result) : 0ul, counts.calls,
                    counts.unexpected);
    }
}

}  // namespace

int RunStress(const Options& options) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int exitCode = 0;
    {
        tesk::UniqueComPtr<ITesk_Agent> agent;
        HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_ITesk_Agent, reinterpret_cast<void**>(agent.put()));
        const DWORD pid = bench::FindProcessId(kAgentExe);
        if (FAILED(hr) || pid == 0) {
            std::printf("no agent object (0x%08lx)\n", static_cast<unsigned long>(hr));
            return 2;
        }
        // The configurator is held too: the clients' GetConfigurator calls then
        // reach one running configurator instead of racing its start and end.
        tesk::UniqueComPtr<IUnknown> configurator;
        agent->GetConfigurator(configurator.put());
        std::printf("agent process %lu; %u clients x %u calls (%ls mix), %u rounds without "
                    "kills after a warm-up round, %u with kills\n",
                    pid, options.clients, options.calls, MixName(options.mix), options.rounds,
                    options.killRounds);
        std::printf("%-8s %-6s %8s %9s %10s %8s %7s %8s %12s\n", "round", "kills", "clients",
                    "calls", "malformed", "unexp.", "alive", "handles", "private KB");

        CallTally total;
        bool survived = true;
        const unsigned roundCount = 1 + options.rounds + options.killRounds;
        for (unsigned round = 0; round < roundCount && survived; ++round) {
            const bool kills = round > options.rounds;
            RoundResult result = RunRound(options, round, kills);
            // The agent survived when the same process still answers.
            LONG word = 0;
            tesk::UniqueSysString name(::SysAllocString(L"Tesk.Stress.NoSuchServer"));
            survived = bench::FindProcessId(kAgentExe) == pid &&
                       SUCCEEDED(agent->IsServerActive(name.get(), &word));
            bench::ProcessStats stats = bench::ReadProcessStats(pid);
            std::printf("%-8s %-6s %8u %9llu %10llu %8llu %7s %8.0f %12.0f\n",
                        round == 0 ? "warm-up" : std::to_string(round).c_str(),
                        kills ? "yes" : "no", result.finished, result.tally.Calls(),
                        result.tally.CallsWhere(true), result.tally.Unexpected(),
                        survived ? "yes" : "NO", stats.handles, stats.privateKb);
            std::fflush(stdout);
            if (result.failedClients) {
                std::printf("  %u client(s) ended without a full tally or with unexpected answers\n",
                            result.failedClients);
                exitCode = 1;
            }
            total.Merge(result.tally);
        }
        PrintAnswers(total);
        std::printf("\ntotal: %llu calls, %llu malformed, %llu unexpected answers; agent %s\n",
                    total.Calls(), total.CallsWhere(true), total.Unexpected(),
                    survived ? "survived (same process)" : "DID NOT SURVIVE");
        if (!survived || total.Unexpected() != 0) exitCode = 1;
    }
    ::CoUninitialize();
    return exitCode;
}

}  // namespace stress
