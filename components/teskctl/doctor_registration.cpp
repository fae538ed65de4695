// Doctor: the agent's registration, its libraries and whether it answers.
#include <windows.h>

#include "TeskAgent_h.h"
#include "teskctl/agent_session.h"
#include "teskctl/doctor_checks.h"
#include "teskctl/failure.h"
#include "teskctl/registry_reader.h"

namespace teskctl {

namespace {
const wchar_t kAgentClsid[] = L"{6B1D3ED4-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kLibId[] = L"{6B1D3EA7-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kAgentProgId[] = L"TeskAgent.Tesk_Agent";
// The standard marshalers that take their layouts from a type library.
const wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
const wchar_t kDispatchMarshaler[] = L"{00020420-0000-0000-C000-000000000046}";
#ifdef _WIN64
const wchar_t kPlatform[] = L"win64";
#else
const wchar_t kPlatform[] = L"win32";
#endif

std::wstring ClassKey() { return std::wstring(L"CLSID\\") + kAgentClsid; }

Check AgentClassCheck(AgentInstallation& installation) {
    Check check{"agentClass", L"agent class registered"};
    ReadValue(HKEY_CLASSES_ROOT, ClassKey(), nullptr, check.read);
    const RegistryValue server =
        ReadValue(HKEY_CLASSES_ROOT, ClassKey() + L"\\LocalServer32", nullptr, check.read);
    const RegistryValue progIdClass =
        ReadValue(HKEY_CLASSES_ROOT, std::wstring(kAgentProgId) + L"\\CLSID", nullptr, check.read);
    installation.executable = ExecutableOf(server.Text());
    if (!server.found || server.Text().empty()) {
        check.Fail(L"the agent's class has no LocalServer32 entry",
                   L"install the agent: TeskInstall install-agent <path of TeskAgent.exe>");
        return check;
    }
    check.read.push_back(installation.executable +
                         (FileExists(installation.executable) ? L": file present" : L": file missing"));
    if (!FileExists(installation.executable)) {
        check.Fail(L"LocalServer32 names " + installation.executable + L", which does not exist",
                   L"reinstall the agent from where TeskAgent.exe now is");
        return check;
    }
    check.detail = L"local server " + installation.executable;
    if (_wcsicmp(progIdClass.Text().c_str(), kAgentClsid) != 0)
        check.Warn(L"the ProgID TeskAgent.Tesk_Agent does not lead to the agent's class",
                   L"run TeskAgent.exe -RegServer (or reinstall) to write the ProgID again");
    return check;
}

Check AppIdCheck(AgentInstallation& installation) {
    Check check{"agentAppId", L"agent AppID registered"};
    installation.appId = ReadValue(HKEY_CLASSES_ROOT, ClassKey(), L"AppID", check.read).Text();
    if (installation.appId.empty()) {
        check.Fail(L"the agent's class names no AppID",
                   L"run TeskAgent.exe -RegServer (or reinstall the agent)");
        return check;
    }
    if (!KeyExists(HKEY_CLASSES_ROOT, L"AppID\\" + installation.appId, check.read)) {
        check.Fail(L"the AppID key " + installation.appId + L" is missing",
                   L"run TeskAgent.exe -RegServer (or reinstall the agent)");
        return check;
    }
    check.detail = L"AppID " + installation.appId;
    return check;
}

// The registered files of the type library for one locale; false when a
// registered file is missing.
bool TypeLibFileOk(const std::wstring& locale, Check& check, int& registered) {
    const RegistryValue path = ReadValue(
        HKEY_CLASSES_ROOT,
        std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\" + locale + L"\\" + kPlatform, nullptr,
        check.read);
    if (!path.found) return true;
    ++registered;
    const std::wstring file = path.Text();
    const bool exists = FileExists(file);
    check.read.push_back(file + (exists ? L": file present" : L": file missing"));
    if (!exists)
        check.Fail(L"the type library is registered as " + file + L", which does not exist",
                   L"reinstall the agent (TeskInstall install-agent)");
    return exists;
}

Check TypeLibraryCheck() {
    Check check{"typeLibrary", L"type library TESKAGENTLib 1.0 registered"};
    int registered = 0;
    // Locale 0 is where the type-library marshaler looks; 409 is the library's own.
    bool ok = TypeLibFileOk(L"0", check, registered);
    ok = TypeLibFileOk(L"409", check, registered) && ok;
    if (registered == 0)
        check.Fail(L"the type library is not registered",
                   L"install the agent with TeskInstall install-agent, which registers it");
    else if (ok)
        check.detail = L"registered under " + std::to_wstring(registered) + L" locale(s)";
    return check;
}

Check MarshalingCheck() {
    Check check{"marshaling", L"marshaling of the agent's interfaces registered"};
    struct Interface {
        const IID* iid;
        const wchar_t* name;
    };
    const Interface interfaces[] = {{&IID_ITesk_Agent, L"ITesk_Agent"},
                                    {&IID_ITeskRot, L"ITeskRot"},
                                    {&IID_ITeskServerInfo, L"ITeskServerInfo"}};
    for (const Interface& entry : interfaces) {
        wchar_t iid[40];
        ::StringFromGUID2(*entry.iid, iid, 40);
        const std::wstring key = std::wstring(L"Interface\\") + iid;
        const std::wstring proxy =
            ReadValue(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid32", nullptr, check.read).Text();
        if (proxy.empty()) {
            check.Fail(std::wstring(entry.name) + L" has no proxy/stub registered",
                       L"reinstall the agent (TeskInstall install-agent writes these keys)");
            continue;
        }
        if (_wcsicmp(proxy.c_str(), kTypeLibMarshaler) == 0 ||
            _wcsicmp(proxy.c_str(), kDispatchMarshaler) == 0) {
            const std::wstring library =
                ReadValue(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, check.read).Text();
            if (library.empty() || !KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + library, check.read))
                check.Fail(std::wstring(entry.name) +
                               L" is marshaled from a type library that is not registered",
                           L"reinstall the agent (TeskInstall install-agent)");
            continue;
        }
        const std::wstring file = ExecutableOf(
            ReadValue(HKEY_CLASSES_ROOT, L"CLSID\\" + proxy + L"\\InprocServer32", nullptr, check.read)
                .Text());
        if (!FileExists(file))
            check.Fail(std::wstring(entry.name) + L"'s proxy/stub library is missing",
                       L"reinstall the agent");
    }
    if (check.result == CheckResult::Ok)
        check.detail = L"ITesk_Agent, ITeskRot and ITeskServerInfo can cross processes";
    return check;
}

// A library of the Quellix framework: its registered value, else the agent's
// folder and the system folder (the places a library loaded by bare name is
// looked for safely).
Check LibraryCheck(const char* id, const wchar_t* title, const std::wstring& key,
                   const wchar_t* fileName, bool valueIsFolder, const std::wstring& agentFolder,
                   const wchar_t* withoutIt) {
    Check check{id, title};
    const RegistryValue installPath = ReadValue(HKEY_LOCAL_MACHINE, key, L"InstallPath", check.read);
    std::vector<std::wstring> candidates;
    if (!installPath.Text().empty()) {
        std::wstring path = installPath.Text();
        if (valueIsFolder) {
            if (path.back() != L'\\') path += L'\\';
            path += fileName;
        }
        candidates.push_back(path);
    } else {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        if (!agentFolder.empty()) candidates.push_back(agentFolder + L"\\" + fileName);
        candidates.push_back(std::wstring(system) + L"\\" + fileName);
    }
    for (const std::wstring& candidate : candidates) {
        const bool exists = FileExists(candidate);
        check.read.push_back(candidate + (exists ? L": file present" : L": file missing"));
        if (exists) {
            check.detail = L"found: " + candidate;
            return check;
        }
    }
    if (!installPath.Text().empty())
        check.Fail(L"registered as " + candidates.front() + L", which does not exist",
                   L"reinstall the library or correct InstallPath in HKLM\\" + key);
    else
        check.Warn(std::wstring(fileName) + L" is not registered and not found; " + withoutIt,
                   L"install it and record its place as InstallPath in HKLM\\" + key);
    return check;
}
}  // namespace

void Check::Fail(const std::wstring& why, const std::wstring& what_to_do) {
    if (result != CheckResult::Failed) {
        detail = why;
        advice = what_to_do;
    }
    result = CheckResult::Failed;
}

void Check::Warn(const std::wstring& why, const std::wstring& what_to_do) {
    if (result != CheckResult::Ok) return;
    result = CheckResult::Warning;
    detail = why;
    advice = what_to_do;
}

std::vector<Check> RegistrationChecks(AgentInstallation& installation) {
    return {AgentClassCheck(installation), AppIdCheck(installation), TypeLibraryCheck(),
            MarshalingCheck()};
}

std::vector<Check> LibraryChecks(const AgentInstallation& installation) {
    const std::wstring folder = FolderOf(installation.executable);
    return {LibraryCheck("loggerLibrary", L"logger library", L"SOFTWARE\\Quellix\\Framework\\Logger",
                         L"Tracemill.dll", true, folder, L"the agent runs without a log"),
            LibraryCheck("adminAccountLibrary", L"administrator-account library",
                         L"SOFTWARE\\Quellix\\Framework\\AdminUser", L"Wardlow.dll", false, folder,
                         L"registration cannot set the agent's run-as account")};
}

Check AgentAnswersCheck(const std::wstring& node) {
    Check check{"agentAnswers", L"agent can be created and answers"};
    check.read.push_back(node.empty() ? L"CoCreateInstance TeskAgent.Tesk_Agent (local server)"
                                      : L"GetTeskAgentOnRemoteNode(\"" + node + L"\")");
    try {
        AgentSession session(node);
        check.read.push_back(L"ITesk_Agent::IsServerActive(\"\")");
        session.Activity(L"");
        check.read.push_back(L"ITeskRot::TeskRotGetActiveObject(<a key without entry>)");
        session.RotHasEntry(L"teskctl doctor: no such entry");
        check.read.push_back(L"ITeskServerInfo::GetTeskServerPluginProgIDs");
        session.PluginProgIds();
        check.detail = L"created; each of its three interfaces answered a call";
    } catch (const Failure& failure) {
        std::wstring why = failure.what + L" failed: ";
        if (failure.hasHresult) why += HexText(static_cast<unsigned long>(failure.hr)) + L" ";
        check.Fail(why + failure.message,
                   failure.hint.empty() ? L"see the checks above and the agent's log" : failure.hint);
    }
    return check;
}

}  // namespace teskctl
