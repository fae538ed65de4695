#include "sample_fixture.h"

#include <cwchar>

#include "support/test_support.h"

namespace sample_test {

SampleNames NamesOf(unsigned instance) {
    SampleNames names;
    wchar_t text[40];
    std::swprintf(text, 40, L"{53BC3B8A-A24E-4342-9886-DBFAA0EE%04X}", instance);
    names.clsidText = text;
    ::CLSIDFromString(text, &names.clsid);
    names.versionIndependentProgId = L"TeskSample.Server" + std::to_wstring(instance);
    names.progId = names.versionIndependentProgId + L".1";
    names.userTypeName = L"Tesk Sample Server " + std::to_wstring(instance);
    return names;
}

std::wstring SampleServerExe() { return TESK_BUILD_DIR L"\\samples\\sample_server\\TeskSampleServer.exe"; }
std::wstring SampleModuleDll() { return TESK_BUILD_DIR L"\\samples\\sample_server\\TeskSampleModule.dll"; }

long RunSample(const std::wstring& arguments) {
    return tesk_test::RunProcess(L"\"" + SampleServerExe() + L"\" " + arguments);
}

RegisteredSample::RegisteredSample(unsigned instance, const std::wstring& runOptions)
    : instance_(instance), names_(NamesOf(instance)) {
    // A leftover of an earlier, interrupted run goes first.
    SetNamedEvent(QuitEvent(names_));
    RunSample(L"-UnregServer -instance " + std::to_wstring(instance));
    registrationResult_ =
        RunSample(L"-RegServer -instance " + std::to_wstring(instance) + L" " + runOptions);
}

RegisteredSample::~RegisteredSample() {
    SetNamedEvent(QuitEvent(names_));
    WaitForEventState(QuitEvent(names_), false, 20000);
    for (const std::wstring& key : {L"CLSID\\" + names_.clsidText, L"AppID\\" + names_.clsidText})
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, key, KEY_WOW64_32KEY);
    RunSample(L"-UnregServer -instance " + std::to_wstring(instance_));
}

std::wstring RegisteredSample::CommandLine(const std::wstring& extra) const {
    std::wstring line = tesk_test::ReadString(HKEY_CLASSES_ROOT,
                                              L"CLSID\\" + names_.clsidText + L"\\LocalServer32",
                                              nullptr);
    return extra.empty() ? line : line + L" " + extra;
}

bool RegisteredSample::MoveTo32BitView() {
    for (const std::wstring& path : {L"CLSID\\" + names_.clsidText, L"AppID\\" + names_.clsidText}) {
        tesk::UniqueRegKey from, to;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                            from.put()) != ERROR_SUCCESS ||
            ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, to.put(),
                              nullptr) != ERROR_SUCCESS ||
            ::RegCopyTreeW(from.get(), nullptr, to.get()) != ERROR_SUCCESS)
            return false;
        from.reset();
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, path, KEY_WOW64_64KEY);
    }
    return true;
}

bool RunningSample::Start(unsigned instance, const std::wstring& options, DWORD timeoutMs) {
    instance_ = instance;
    std::wstring line = L"\"" + SampleServerExe() + L"\" -instance " + std::to_wstring(instance) +
                        L" " + options;
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return false;
    process_.reset(info.hProcess);
    tesk::UniqueKernelHandle thread(info.hThread);
    // The quit event comes first and the agent's events last: waiting for
    // both covers every event mode.
    const SampleNames names = NamesOf(instance);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        if (::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) return false;
        if (EventExists(QuitEvent(names))) {
            // Setting up ends with the agent's events; give the server the
            // moment it needs after its quit event when it creates them.
            if (options.find(L"-events none") != std::wstring::npos) {
                ::Sleep(1500);
                return true;
            }
            if (EventExists(PresenceEvent(names))) return true;
        }
        ::Sleep(50);
    }
    return false;
}

bool RunningSample::Quit(DWORD timeoutMs) {
    if (!process_) return true;
    SetNamedEvent(QuitEvent(NamesOf(instance_)));
    return WaitForExit(timeoutMs);
}

bool RunningSample::WaitForExit(DWORD timeoutMs) {
    return !process_ || tesk_test::WaitPumping(process_.get(), timeoutMs);
}

DWORD RunningSample::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

RunningSample::~RunningSample() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) Quit();
}

std::wstring PresenceEvent(const SampleNames& names) {
    return L"Global\\" + names.clsidText + L"_INPROC";
}
std::wstring StopEvent(const SampleNames& names) {
    return L"Global\\" + names.clsidText + L"_FORCE";
}
std::wstring QuitEvent(const SampleNames& names) {
    return L"Global\\TeskSampleQuit" + names.clsidText;
}

bool EventExists(const std::wstring& name, DWORD access) {
    tesk::UniqueKernelHandle event(::OpenEventW(access, FALSE, name.c_str()));
    return static_cast<bool>(event);
}

bool WaitForEventState(const std::wstring& name, bool exists, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (EventExists(name) == exists) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(50);
    }
}

bool SetNamedEvent(const std::wstring& name) {
    tesk::UniqueKernelHandle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    return event && ::SetEvent(event.get());
}

}  // namespace sample_test
