#include "configurator/configurator_lifetime.h"

namespace {
DWORD g_mainThread = 0;
volatile LONG g_startReferenceHeld = 0;
}  // namespace

void SetConfiguratorMainThread(DWORD threadId) { g_mainThread = threadId; }

void HoldStartReference() {
    ::CoAddRefServerProcess();
    ::InterlockedExchange(&g_startReferenceHeld, 1);
}

void DropStartReference() {
    if (::InterlockedExchange(&g_startReferenceHeld, 0)) ReleaseProcessReference();
}

void AddProcessReference() {
    ::CoAddRefServerProcess();
    DropStartReference();  // cannot reach zero: the count was just raised
}

void ReleaseProcessReference() {
    // At zero COM also suspends the class objects, so no activation can slip
    // in between the last release and the end of the process.
    if (::CoReleaseServerProcess() == 0 && g_mainThread != 0)
        ::PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
}
