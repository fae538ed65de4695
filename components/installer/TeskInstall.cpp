// TeskInstall: installs and removes the agent and its companion components
// in the registry of the machine (or Wine prefix) it runs on.
//
//   TeskInstall install-agent <path of TeskAgent.exe>
//   TeskInstall uninstall-agent <path of TeskAgent.exe>

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "installer/install_steps.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace {
struct Command {
    const wchar_t* name;
    int (*run)(const InstallArguments&);
};

const Command kCommands[] = {
    {L"install-agent", InstallAgent},
    {L"uninstall-agent", UninstallAgent},
    {L"install-configurator", InstallConfigurator},
    {L"uninstall-configurator", UninstallConfigurator},
    {L"install-sample-server", InstallSampleServer},
    {L"uninstall-sample-server", UninstallSampleServer},
    {L"install-sample-plugin", InstallSamplePlugin},
    {L"uninstall-sample-plugin", UninstallSamplePlugin},
    {L"install-admin-account", InstallAdminAccount},
    {L"uninstall-admin-account", UninstallAdminAccount},
};

int Usage() {
    std::fwprintf(stderr, L"usage: TeskInstall <command> <arguments>\ncommands:");
    for (const Command& command : kCommands) std::fwprintf(stderr, L" %ls", command.name);
    std::fwprintf(stderr, L"\n");
    return 2;
}
}  // namespace

bool SetRegString(HKEY key, const wchar_t* name, DWORD type, const std::wstring& data) {
    return ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool WriteRegString(HKEY root, const std::wstring& path, const wchar_t* name,
                    const std::wstring& data, REGSAM view) {
    tesk::UniqueRegKey key;
    return SUCCEEDED(tesk::registry::Create(root, path.c_str(), KEY_WRITE, key, view)) &&
           SUCCEEDED(tesk::registry::WriteString(key.get(), name, data.c_str()));
}

long RunAndWait(const std::wstring& program, const std::wstring& switches) {
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    std::wstring line = L"\"" + program + L"\" " + switches;
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    tesk::UniqueKernelHandle processHandle(process.hProcess), thread(process.hThread);
    ::WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(processHandle.get(), &code);
    return static_cast<long>(code);
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    ::CoInitialize(nullptr);
    int result = -1;
    for (const Command& command : kCommands) {
        if (std::wcscmp(argv[1], command.name) == 0)
            result = command.run(InstallArguments(argv + 2, argv + argc));
    }
    ::CoUninitialize();
    return result == -1 ? Usage() : result;
}
