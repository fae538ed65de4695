#include "bench/baseline_server/baseline_module.h"

namespace baseline_module {

namespace {
LONG g_locks = 0;
DWORD g_mainThread = 0;
}  // namespace

void SetMainThread(DWORD threadId) { g_mainThread = threadId; }

void Lock() { ::InterlockedIncrement(&g_locks); }

void Unlock() {
    // No idle time: the benchmark waits for the process to be gone before it
    // measures a new activation.
    if (::InterlockedDecrement(&g_locks) == 0) ::PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
}

}  // namespace baseline_module
