#pragma once
// Sample TeskServer instances for the tests: each test uses instance numbers
// of its own (200 and up; the demonstration uses 1), registers them, runs
// them and removes them again.

#include <windows.h>

#include <string>

#include "support/unique_resource.h"

namespace sample_test {

// The identity documented in sample_server/README.md.
struct SampleNames {
    std::wstring clsidText;  // {53BC3B8A-A24E-4342-9886-DBFAA0EE<nnnn>}
    CLSID clsid;
    std::wstring progId;     // TeskSample.Server<n>.1
    std::wstring versionIndependentProgId;
    std::wstring userTypeName;  // Tesk Sample Server <n>
};
SampleNames NamesOf(unsigned instance);

std::wstring SampleServerExe();
std::wstring SampleModuleDll();

// Runs the server with arguments and waits for it (registration switches).
long RunSample(const std::wstring& arguments);

// An instance registered for one test (with the given run options) and
// unregistered afterwards, after ending any process of it that still runs.
class RegisteredSample {
public:
    explicit RegisteredSample(unsigned instance, const std::wstring& runOptions = L"");
    ~RegisteredSample();
    RegisteredSample(const RegisteredSample&) = delete;
    RegisteredSample& operator=(const RegisteredSample&) = delete;

    long registrationResult() const { return registrationResult_; }
    unsigned instance() const { return instance_; }
    const SampleNames& names() const { return names_; }
    // The registered command line (LocalServer32) followed by extra arguments.
    std::wstring CommandLine(const std::wstring& extra = L"") const;
    // Moves the class and AppID keys into the 32-bit registry view, as a 32-bit
    // server would have them (the ProgID stays in the default view); false when
    // a key could not be moved.
    bool MoveTo32BitView();

private:
    unsigned instance_;
    SampleNames names_;
    long registrationResult_;
};

// A running server process started by the test.
class RunningSample {
public:
    RunningSample() = default;
    // Starts "<exe> -instance n <options>" and waits until its quit event
    // exists (the server is set up once its quit event and its presence event,
    // if any, exist).
    bool Start(unsigned instance, const std::wstring& options, DWORD timeoutMs = 30000);
    // Sets the sample's quit event and waits for the process; true when it ended.
    bool Quit(DWORD timeoutMs = 20000);
    // Waits for the process to end; true when it did.
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    HANDLE process() const { return process_.get(); }
    ~RunningSample();

private:
    unsigned instance_ = 0;
    tesk::UniqueKernelHandle process_;
};

// Event names of the agent's contract and the sample's quit event.
std::wstring PresenceEvent(const SampleNames& names);  // "Global\<CLSID>_INPROC"
std::wstring StopEvent(const SampleNames& names);      // "Global\<CLSID>_FORCE"
std::wstring QuitEvent(const SampleNames& names);      // "Global\TeskSampleQuit<CLSID>"

bool EventExists(const std::wstring& name, DWORD access = SYNCHRONIZE);
// Polls until the event exists (or no longer exists); true when it came to be.
bool WaitForEventState(const std::wstring& name, bool exists, DWORD timeoutMs);
bool SetNamedEvent(const std::wstring& name);

}  // namespace sample_test
