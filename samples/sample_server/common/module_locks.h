#pragma once
// Count of live objects and class-object locks of the module that links this
// library; an in-process module may unload only when it is zero.

namespace tesk_sample {
void LockModule();
void UnlockModule();
long ModuleLockCount();
}  // namespace tesk_sample
