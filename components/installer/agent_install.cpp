#include <windows.h>

#include <cstdio>

#include "TeskAgent_h.h"
#include "installer/agent_access.h"
#include "installer/install_steps.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace {
const wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
const wchar_t kPlatformKey[] = L"win64";
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
const wchar_t kPlatformKey[] = L"win32";
#endif

struct CustomInterface {
    const IID* iid;
    const wchar_t* name;
};
// Interfaces that are not oleautomation: the type-library registration writes
// no keys for them, so they are registered here for the typelib marshaler.
const CustomInterface kCustomInterfaces[] = {
    {&IID_ITeskRot, L"ITeskRot"},
    {&IID_ITeskServerInfo, L"ITeskServerInfo"},
};

// 32-bit clients on 64-bit Windows read the Interface keys of the 32-bit view.
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

std::wstring TypeLibVersionKey() { return L"TypeLib\\" + GuidText(LIBID_TESKAGENTLib) + L"\\1.0"; }

bool WriteMarshalingKeys(const CustomInterface& custom, REGSAM view) {
    std::wstring key = L"Interface\\" + GuidText(*custom.iid);
    bool written = WriteRegString(HKEY_CLASSES_ROOT, key, nullptr, custom.name, view);
    written &= WriteRegString(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid32", nullptr,
                              kTypeLibMarshaler, view);
    written &= WriteRegString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr,
                              GuidText(LIBID_TESKAGENTLib), view);
    written &= WriteRegString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"Version", L"1.0", view);
    return written;
}

// Everything install-agent writes, undone; the agent's own part by
// "-UnregServer", whose exit code is returned.
long RemoveAgentRegistration(const std::wstring& exe) {
    RemoveAgentAccessValues();
    long exitCode = RunAndWait(exe, L"-UnregServer");
    // Locale 0 goes first: while it is there the version key is not empty, and
    // the platform's unregistration leaves the key behind.
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (TypeLibVersionKey() + L"\\0").c_str());
    ::UnRegisterTypeLib(LIBID_TESKAGENTLib, 1, 0, 0x409, kSysKind);
    for (const CustomInterface& custom : kCustomInterfaces)
        for (REGSAM view : kViews)
            tesk::registry::DeleteTree(HKEY_CLASSES_ROOT,
                                       (L"Interface\\" + GuidText(*custom.iid)).c_str(), view);
    return exitCode;
}
}  // namespace

int InstallAgent(const InstallArguments& args) {
    AgentAccessOptions access;
    if (args.empty()) {
        std::fwprintf(stderr, L"install-agent <path of TeskAgent.exe> [--grant <account>]... "
                              L"[--legacy-open-access]\n");
        return 2;
    }
    // Every account is resolved before anything is written, so a mistyped
    // name leaves the machine as it was.
    if (!ParseAgentAccessOptions(InstallArguments(args.begin() + 1, args.end()), access))
        return 2;
    const std::wstring& exe = args[0];

    tesk::UniqueComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(exe.c_str(), REGKIND_REGISTER, library.put());
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"registering the type library of %ls failed: 0x%08lX\n",
                      exe.c_str(), static_cast<unsigned long>(hr));
        return static_cast<int>(hr);
    }
    library.reset();

    // Wine's typelib marshaler looks libraries up under locale 0 only; Windows
    // finds the library there as well.
    bool written = WriteRegString(HKEY_CLASSES_ROOT, TypeLibVersionKey() + L"\\0\\" + kPlatformKey,
                                  nullptr, exe);
    for (const CustomInterface& custom : kCustomInterfaces)
        for (REGSAM view : kViews) written &= WriteMarshalingKeys(custom, view);
    // A failed step leaves no part of the registration behind, whether or not
    // the caller (an installer's rollback) undoes it too.
    if (!written) {
        std::fwprintf(stderr, L"writing the marshaling keys failed\n");
        RemoveAgentRegistration(exe);
        return 1;
    }

    // The registration then writes its own open grants afresh, as on a new machine.
    RemoveAgentAccessValues();
    long exitCode = RunAndWait(exe, L"-RegServer");
    if (exitCode != 0) {
        std::fwprintf(stderr, L"%ls -RegServer ended with 0x%08lX\n", exe.c_str(),
                      static_cast<unsigned long>(exitCode));
        RemoveAgentRegistration(exe);
        return static_cast<int>(exitCode);
    }
    int applied = ApplyAgentAccess(access);
    if (applied != 0) RemoveAgentRegistration(exe);
    return applied;
}

int UninstallAgent(const InstallArguments& args) {
    if (args.size() != 1) {
        std::fwprintf(stderr, L"uninstall-agent <path of TeskAgent.exe>\n");
        return 2;
    }
    return static_cast<int>(RemoveAgentRegistration(args[0]));
}
