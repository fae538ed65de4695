#include "host/server_module.h"

#include "diagnostics/returned_failure.h"
#include "host/class_factory.h"
#include "host/registry_script.h"
#include "support/unique_resource.h"

ServerModule& ServerModule::Instance() {
    static ServerModule module;
    return module;
}

void ServerModule::Init(ObjectEntry* objectTable, HINSTANCE instance) {
    objectTable_ = objectTable;
    instance_ = instance;
    if (!initialised_) ::InitializeCriticalSection(&typeInfoLock_);
    initialised_ = true;
}

void ServerModule::Term() {
    StopShutdownMonitor();
    // Last registered, first run.
    while (!termFunctions_.empty()) {
        auto [function, argument] = termFunctions_.back();
        termFunctions_.pop_back();
        function(argument);
    }
    if (initialised_) ::DeleteCriticalSection(&typeInfoLock_);
    initialised_ = false;
}

LONG ServerModule::Lock() { return ++lockCount_; }

LONG ServerModule::Unlock() {
    LONG count = --lockCount_;
    if (count == 0) {
        // The flag is set before the event wakes the monitor.
        activity_ = true;
        if (shutdownEvent_) ::SetEvent(shutdownEvent_.get());
    }
    return count;
}

HRESULT ServerModule::StartShutdownMonitor() {
    shutdownEvent_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    TESK_RETURN_LAST_ERROR_IF(!shutdownEvent_);
    monitorThread_.reset(::CreateThread(nullptr, 0, MonitorThread, this, 0, nullptr));
    TESK_RETURN_LAST_ERROR_IF(!monitorThread_);
    return S_OK;
}

void ServerModule::StopShutdownMonitor() {
    if (monitorThread_) {
        stopping_ = true;
        ::SetEvent(shutdownEvent_.get());
        ::WaitForSingleObject(monitorThread_.get(), INFINITE);
        monitorThread_.reset();
    }
    shutdownEvent_.reset();
    stopping_ = false;
}

DWORD WINAPI ServerModule::MonitorThread(void* module) {
    static_cast<ServerModule*>(module)->RunShutdownMonitor();
    return 0;
}

void ServerModule::RunShutdownMonitor() {
    for (;;) {
        ::WaitForSingleObject(shutdownEvent_.get(), INFINITE);
        do {
            if (stopping_) return;
            activity_ = false;
        } while (::WaitForSingleObject(shutdownEvent_.get(), kIdleMilliseconds) == WAIT_OBJECT_0);
        if (stopping_) return;
        if (activity_ || lockCount_ != 0) continue;
        // The main thread makes the final decision: it alone can revoke the
        // class object, and while it handles the message no activation runs.
        // A later return to zero wakes this thread again.
        ::PostThreadMessageW(mainThreadId_, kIdleCheckMessage, 0, 0);
    }
}

void ServerModule::QuitIfIdle() {
    if (activity_ || lockCount_ != 0) return;
    RevokeClassObjects();
    // A creation request that COM queued on this thread before the revocation
    // is still served after it. Incoming calls arrive as posted messages, in
    // order, so a second message posted now comes after every such request:
    // only when it finds the process still idle does the run end.
    ::PostThreadMessageW(::GetCurrentThreadId(), kQuitCheckMessage, 0, 0);
}

void ServerModule::QuitIfStillIdle() {
    // An object made meanwhile keeps the process serving until its release
    // returns the count to zero, which starts a new idle check.
    if (activity_ || lockCount_ != 0) return;
    ::PostQuitMessage(0);
}

HRESULT ServerModule::RegisterClassObjects(DWORD context, DWORD flags) {
    HRESULT result = S_OK;
    for (ObjectEntry* entry = objectTable_; entry && entry->clsid; ++entry) {
        tesk::UniqueComPtr<IUnknown> factory;
        HRESULT hr = CreateClassFactory(entry->createInstance, IID_IUnknown,
                                        reinterpret_cast<void**>(factory.put()));
        if (SUCCEEDED(hr))
            hr = ::CoRegisterClassObject(*entry->clsid, factory.get(), context, flags,
                                         &entry->cookie);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT ServerModule::RevokeClassObjects() {
    HRESULT result = S_OK;
    for (ObjectEntry* entry = objectTable_; entry && entry->clsid; ++entry) {
        if (entry->cookie == 0) continue;
        HRESULT hr = ::CoRevokeClassObject(entry->cookie);
        entry->cookie = 0;
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

void ServerModule::AddTermFunc(void (*function)(void*), void* argument) {
    for (const auto& registered : termFunctions_)
        if (registered.first == function && registered.second == argument) return;
    termFunctions_.emplace_back(function, argument);
}

HRESULT ServerModule::UpdateRegistryFromResource(UINT id, bool registering) {
    return ApplyRegistryScriptResource(instance_, id, registering);
}
