// Installation of the framework's administrator-account library: where it
// lives, the account it configures AppIDs for, and that account's password.

#include <windows.h>
#include <ntsecapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "admin_account/Wardlow.h"
#include "installer/install_steps.h"
#include "support/unique_resource.h"

namespace {
const wchar_t kPasswordSwitch[] = L"-password-stdin";
// Leaves the stored password as it is: an upgrade that configures the same
// account again must not lose it.
const wchar_t kKeepPasswordSwitch[] = L"-keep-password";

bool AccountExists(const std::wstring& account) {
    DWORD sidBytes = 0, domainChars = 0;
    SID_NAME_USE use;
    ::LookupAccountNameW(nullptr, account.c_str(), nullptr, &sidBytes, nullptr, &domainChars, &use);
    return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

LSA_UNICODE_STRING LsaString(const wchar_t* text) {
    LSA_UNICODE_STRING string;
    string.Buffer = const_cast<wchar_t*>(text);
    string.Length = static_cast<USHORT>(std::wcslen(text) * sizeof(wchar_t));
    string.MaximumLength = static_cast<USHORT>(string.Length + sizeof(wchar_t));
    return string;
}

// Stores the password as the library's LSA secret; a null password removes it.
NTSTATUS StorePassword(const wchar_t* password) {
    LSA_OBJECT_ATTRIBUTES attributes = {};
    tesk::UniqueLsaHandle policy;
    NTSTATUS status = ::LsaOpenPolicy(nullptr, &attributes, POLICY_CREATE_SECRET, policy.put());
    if (status != 0) return status;
    LSA_UNICODE_STRING name = LsaString(WARDLOW_ADMIN_PASSWORD_SECRET);
    if (!password) return ::LsaStorePrivateData(policy.get(), &name, nullptr);
    LSA_UNICODE_STRING secret = LsaString(password);
    return ::LsaStorePrivateData(policy.get(), &name, &secret);
}

// One line of the standard input, without its line end: the password never
// appears on a command line.
std::wstring ReadPasswordLine() {
    wchar_t line[256] = {};
    if (!std::fgetws(line, 256, stdin)) return {};
    std::wstring password = line;
    while (!password.empty() && (password.back() == L'\n' || password.back() == L'\r'))
        password.pop_back();
    ::SecureZeroMemory(line, sizeof(line));
    return password;
}
}  // namespace

int InstallAdminAccount(const InstallArguments& args) {
    const bool withPassword = args.size() == 3 && args[2] == kPasswordSwitch;
    const bool keepPassword = args.size() == 3 && args[2] == kKeepPasswordSwitch;
    if (args.size() != 2 && !withPassword && !keepPassword) {
        std::fwprintf(stderr, L"install-admin-account <path of Wardlow.dll> <account> [%ls | %ls]\n",
                      kPasswordSwitch, kKeepPasswordSwitch);
        return 2;
    }
    const std::wstring& library = args[0];
    const std::wstring& account = args[1];
    if (!AccountExists(account)) {
        std::fwprintf(stderr, L"the account %ls is not known here (error %lu)\n", account.c_str(),
                      ::GetLastError());
        return 1;
    }

    // The password first, so that a refusal leaves the old configuration whole.
    if (withPassword) {
        std::wstring password = ReadPasswordLine();
        NTSTATUS status = StorePassword(password.c_str());
        ::SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
        if (status != 0) {
            std::fwprintf(stderr, L"storing the account's password failed: error %lu\n",
                          ::LsaNtStatusToWinError(status));
            return 1;
        }
    } else if (!keepPassword) {
        StorePassword(nullptr);  // an account without a password; none may linger
    }

    tesk::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, 0, nullptr, 0, KEY_WRITE,
                          nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
        !SetRegString(key.get(), WARDLOW_INSTALL_PATH_VALUE, REG_EXPAND_SZ, library) ||
        !SetRegString(key.get(), WARDLOW_ACCOUNT_NAME_VALUE, REG_SZ, account)) {
        std::fwprintf(stderr, L"writing HKLM\\%ls failed\n", WARDLOW_ADMIN_USER_KEY);
        return 1;
    }
    return 0;
}

int UninstallAdminAccount(const InstallArguments& args) {
    if (!args.empty()) {
        std::fwprintf(stderr, L"uninstall-admin-account\n");
        return 2;
    }
    StorePassword(nullptr);
    // Only the library's own values: other parts of the framework may keep theirs here.
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, 0, KEY_SET_VALUE, key.put()) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueW(key.get(), WARDLOW_INSTALL_PATH_VALUE);
        ::RegDeleteValueW(key.get(), WARDLOW_ACCOUNT_NAME_VALUE);
    }
    return 0;
}
