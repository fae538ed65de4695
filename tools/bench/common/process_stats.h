#pragma once
// Looking up a server process by its executable name and reading its memory
// and handle figures, the way a task manager would.

#include <windows.h>

namespace bench {

// The first process whose executable name matches (case-insensitive); 0 when none.
DWORD FindProcessId(const wchar_t* exeName);

// Waits until no process of that name is left; false on time-out.
bool WaitUntilGone(const wchar_t* exeName, DWORD timeoutMs);

struct ProcessStats {
    bool valid = false;
    double workingSetKb = 0;
    double privateKb = 0;
    double handles = 0;
};

ProcessStats ReadProcessStats(DWORD processId);

}  // namespace bench
