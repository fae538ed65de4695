// Installation of the components outside the agent that go with it: the
// configurator with its proxy/stub, the sample TeskServer and the sample
// in-process module with its I/O plug-in.

#include <windows.h>

#include <cstdio>

#include "installer/install_steps.h"
#include "support/unique_resource.h"

namespace {

// Calls a self-registration entry (DllRegisterServer / DllUnregisterServer).
HRESULT CallModuleEntry(const std::wstring& module, const char* entry) {
    tesk::UniqueLibrary library(::LoadLibraryExW(module.c_str(), nullptr,
                                                 LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library) return HRESULT_FROM_WIN32(::GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    Entry call = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), entry)));
    if (!call) return HRESULT_FROM_WIN32(::GetLastError());
    return call();
}

int Report(const wchar_t* step, const std::wstring& what, long result) {
    if (result != 0)
        std::fwprintf(stderr, L"%ls %ls failed: 0x%08lX\n", step, what.c_str(),
                      static_cast<unsigned long>(result));
    return static_cast<int>(result);
}

std::wstring Joined(const InstallArguments& args, size_t from) {
    std::wstring text;
    for (size_t i = from; i < args.size(); ++i) text += L" " + args[i];
    return text;
}

}  // namespace

int InstallConfigurator(const InstallArguments& args) {
    if (args.size() != 2 && args.size() != 3) {
        std::fwprintf(stderr, L"install-configurator <TeskConfigurator.exe> <TeskConfigPS.dll> "
                              L"[<TeskConfigPS.dll of the 32-bit build>]\n");
        return 2;
    }
    if (int failed = Report(L"registering", args[1], CallModuleEntry(args[1], "DllRegisterServer")))
        return failed;
    if (args.size() == 3 && !Register32BitProxy(args[2])) return 1;
    return Report(L"registering", args[0], RunAndWait(args[0], L"-RegServer"));
}

int UninstallConfigurator(const InstallArguments& args) {
    if (args.size() != 2 && args.size() != 3) {
        std::fwprintf(stderr, L"uninstall-configurator <TeskConfigurator.exe> <TeskConfigPS.dll> "
                              L"[<TeskConfigPS.dll of the 32-bit build>]\n");
        return 2;
    }
    int result = Report(L"unregistering", args[0], RunAndWait(args[0], L"-UnregServer"));
    // Whichever build was registered for 32-bit clients goes with the configurator.
    Unregister32BitProxy();
    int proxy = Report(L"unregistering", args[1], CallModuleEntry(args[1], "DllUnregisterServer"));
    return result ? result : proxy;
}

int InstallSampleServer(const InstallArguments& args) {
    if (args.empty()) {
        std::fwprintf(stderr, L"install-sample-server <TeskSampleServer.exe> [options]\n");
        return 2;
    }
    return Report(L"registering", args[0],
                  RunAndWait(args[0], L"-RegServer" + Joined(args, 1)));
}

int UninstallSampleServer(const InstallArguments& args) {
    if (args.empty()) {
        std::fwprintf(stderr, L"uninstall-sample-server <TeskSampleServer.exe> [-instance n]\n");
        return 2;
    }
    return Report(L"unregistering", args[0],
                  RunAndWait(args[0], L"-UnregServer" + Joined(args, 1)));
}

int InstallSamplePlugin(const InstallArguments& args) {
    if (args.size() != 1) {
        std::fwprintf(stderr, L"install-sample-plugin <TeskSampleModule.dll>\n");
        return 2;
    }
    return Report(L"registering", args[0], CallModuleEntry(args[0], "DllRegisterServer"));
}

int UninstallSamplePlugin(const InstallArguments& args) {
    if (args.size() != 1) {
        std::fwprintf(stderr, L"uninstall-sample-plugin <TeskSampleModule.dll>\n");
        return 2;
    }
    return Report(L"unregistering", args[0], CallModuleEntry(args[0], "DllUnregisterServer"));
}
