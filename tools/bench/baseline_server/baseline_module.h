#pragma once
// Lifetime of the baseline process: one count per live object and server
// lock; the main thread's message loop ends when the count returns to zero.

#include <windows.h>

namespace baseline_module {

void SetMainThread(DWORD threadId);
void Lock();
void Unlock();  // the last unlock ends the message loop

}  // namespace baseline_module
