// Test fixture, not a TeskServer: a program registered as a test class's local
// server. Started with the name of a semaphore, it counts its own start by
// releasing it once, then ends. It never opens a window.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    HANDLE counter = ::OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, commandLine);
    if (!counter) return 1;
    BOOL released = ::ReleaseSemaphore(counter, 1, nullptr);
    ::CloseHandle(counter);
    return released ? 0 : 2;
}
