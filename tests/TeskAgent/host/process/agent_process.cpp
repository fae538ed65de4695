#include "TeskAgent/host/process/agent_process.h"

#include <vector>

#include "TeskAgent_h.h"
#include "support/test_support.h"

namespace tesk_test {

tesk::UniqueKernelHandle OpenTheAgentProcess(DWORD* pid) {
    std::vector<DWORD> ids = FindProcesses(kAgentExeName);
    if (ids.size() != 1) return tesk::UniqueKernelHandle();
    if (pid) *pid = ids[0];
    return OpenProcessForWait(ids[0]);
}

long MillisecondsUntilExit(HANDLE process, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    // The wait serves this apartment's calls meanwhile: an agent that ends
    // releases the objects of this process it still holds.
    DWORD index = 0;
    if (::CoWaitForMultipleHandles(COWAIT_DEFAULT, timeoutMs, 1, &process, &index) != S_OK)
        return -1;
    return static_cast<long>(::GetTickCount() - start);
}

long ReinstallAgent() {
    return RunProcess(L"\"" TESK_INSTALLER_EXE L"\" install-agent \"" TESK_AGENT_EXE L"\"");
}

}  // namespace tesk_test
