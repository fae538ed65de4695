#pragma once
// The configurator process lives while it has objects or locks: each holds one
// count on the process (CoAddRefServerProcess); the last release ends the
// main thread's message loop. A process that COM started holds a start count
// until its first object exists, or until its unused lifetime is over.

#include <windows.h>

void SetConfiguratorMainThread(DWORD threadId);
void HoldStartReference();
void DropStartReference();
void AddProcessReference();
void ReleaseProcessReference();
