#include "bench/common/process_stats.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "support/unique_resource.h"

namespace bench {

DWORD FindProcessId(const wchar_t* exeName) {
    tesk::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    // The snapshot API reports failure as INVALID_HANDLE_VALUE.
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, exeName) == 0) return entry.th32ProcessID;
    }
    return 0;
}

bool WaitUntilGone(const wchar_t* exeName, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (FindProcessId(exeName) != 0) {
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(100);
    }
    return true;
}

ProcessStats ReadProcessStats(DWORD processId) {
    ProcessStats stats;
    tesk::UniqueKernelHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return stats;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(process.get(),
                                reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof(counters)))
        return stats;
    DWORD handles = 0;
    if (!::GetProcessHandleCount(process.get(), &handles)) return stats;
    stats.valid = true;
    stats.workingSetKb = counters.WorkingSetSize / 1024.0;
    stats.privateKb = counters.PrivateUsage / 1024.0;
    stats.handles = handles;
    return stats;
}

}  // namespace bench
