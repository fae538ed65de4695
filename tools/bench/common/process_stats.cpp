#include "bench/common/process_stats.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

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

namespace {

// The process's handle count from the system's process list: Wine answers
// GetProcessHandleCount for another process with 0, but fills this list.
bool HandleCountOf(DWORD processId, double* handles) {
    std::vector<BYTE> buffer(256 * 1024);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = ::NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    }
    if (status < 0) return false;
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&buffer[offset]);
        if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) == processId) {
            *handles = entry->HandleCount;
            return true;
        }
        if (!entry->NextEntryOffset) return false;
        offset += entry->NextEntryOffset;
    }
}

}  // namespace

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
    if (!HandleCountOf(processId, &stats.handles)) return stats;
    stats.valid = true;
    stats.workingSetKb = counters.WorkingSetSize / 1024.0;
    // Private bytes are the commit charge, which Windows reports in both
    // fields; Wine fills only PagefileUsage (anonymous resident + swapped).
    const SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    stats.privateKb = privateBytes / 1024.0;
    return stats;
}

}  // namespace bench
