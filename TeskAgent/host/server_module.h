#pragma once
// The process-wide server module: the lock count that keeps the agent process
// alive, the shutdown monitor that ends it after an idle time, the class-object
// registration and the clean-up list run at module termination.

#include <windows.h>

#include <atomic>
#include <utility>
#include <vector>

#include "support/unique_resource.h"

// Creates an object of the class; refuses any outer object.
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

struct ObjectEntry {
    const CLSID* clsid;
    HRESULT (*updateRegistry)(bool registering);  // applies the class's registry script
    InstanceCreator createInstance;
    DWORD cookie;
};

class ServerModule {
public:
    static constexpr DWORD kIdleMilliseconds = 5000;
    // Posted by the monitor to the main thread, which then ends the run if still idle.
    static constexpr UINT kIdleCheckMessage = WM_APP + 1;
    // Posted by QuitIfIdle to the main thread behind any activation queued
    // before the class objects were revoked.
    static constexpr UINT kQuitCheckMessage = WM_APP + 2;

    static ServerModule& Instance();

    void Init(ObjectEntry* objectTable, HINSTANCE instance);
    void Term();

    LONG Lock();
    LONG Unlock();
    LONG LockCount() const { return lockCount_; }

    void SetMainThreadId(DWORD id) { mainThreadId_ = id; }

    HRESULT StartShutdownMonitor();
    // Called on the main thread for kIdleCheckMessage: when no object and no
    // lock came back since the monitor decided, revokes the class objects (no
    // new activation can reach this process) and posts kQuitCheckMessage.
    void QuitIfIdle();
    // Called for kQuitCheckMessage: ends the message loop unless an object was
    // created or released since the revocation.
    void QuitIfStillIdle();

    HRESULT RegisterClassObjects(DWORD context, DWORD flags);
    HRESULT RevokeClassObjects();
    HRESULT UpdateRegistryFromResource(UINT id, bool registering);

    void AddTermFunc(void (*function)(void*), void* argument);
    CRITICAL_SECTION& TypeInfoLock() { return typeInfoLock_; }

private:
    ServerModule() = default;
    static DWORD WINAPI MonitorThread(void* module);
    void RunShutdownMonitor();
    // Wakes the monitor thread, waits for it to end and closes its event.
    void StopShutdownMonitor();

    HINSTANCE instance_ = nullptr;
    ObjectEntry* objectTable_ = nullptr;
    // Shared with the monitor thread: the count, the activity flag and the event.
    std::atomic<LONG> lockCount_{0};
    std::atomic<DWORD> mainThreadId_{0};
    std::atomic<bool> activity_{false};
    std::atomic<bool> stopping_{false};
    // Both live until Term() has stopped the monitor thread.
    tesk::UniqueKernelHandle shutdownEvent_;
    tesk::UniqueKernelHandle monitorThread_;
    bool initialised_ = false;
    CRITICAL_SECTION typeInfoLock_;
    std::vector<std::pair<void (*)(void*), void*>> termFunctions_;
};
