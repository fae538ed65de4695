#include "sample_server/common/module_locks.h"

#include <windows.h>

namespace tesk_sample {
namespace {
volatile LONG g_locks = 0;
}
void LockModule() { ::InterlockedIncrement(&g_locks); }
void UnlockModule() { ::InterlockedDecrement(&g_locks); }
long ModuleLockCount() { return g_locks; }
}  // namespace tesk_sample
