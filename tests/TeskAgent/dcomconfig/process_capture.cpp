#include "process_capture.h"

#include <vector>

#include "admin_account/Wardlow.h"
#include "descriptor_checks.h"
#include "support/test_support.h"
#include "support/unique_resource.h"

namespace dcom_test {

ProcessResult RunCapturingStandardError(const std::wstring& commandLine, DWORD timeoutMs,
                                        const std::wstring& folder) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    tesk::UniqueKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 1 << 16)) return result;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    std::wstring environment = folder.empty() ? L"" : tesk_test::EnvironmentWithPathFirst(folder);
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE,
                          folder.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                          folder.empty() ? nullptr : &environment[0],
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return result;
    tesk::UniqueKernelHandle processHandle(process.hProcess), thread(process.hThread);
    writeEnd.reset();  // the child's copy is now the only writer

    std::string output;
    char buffer[4096];
    DWORD read = 0;
    // The pipe ends when the child (the only writer left) ends.
    while (::ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        output.append(buffer, read);
    if (::WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) return result;
    DWORD code = 0;
    ::GetExitCodeProcess(processHandle.get(), &code);
    result.exitCode = static_cast<long>(code);
    result.standardError = tesk_test::ToWide(output);
    return result;
}

SavedAdminUserConfig::SavedAdminUserConfig()
    : saved_{{WARDLOW_ACCOUNT_NAME_VALUE, REG_NONE, {}}, {WARDLOW_INSTALL_PATH_VALUE, REG_NONE, {}}} {
    for (Saved& saved : saved_)
        saved.data = ReadValue(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, saved.name, &saved.type);
}

SavedAdminUserConfig::~SavedAdminUserConfig() {
    tesk::UniqueRegKey key;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, key.put(), nullptr);
    for (const Saved& saved : saved_) {
        if (saved.type == REG_NONE)
            ::RegDeleteValueW(key.get(), saved.name);
        else
            ::RegSetValueExW(key.get(), saved.name, 0, saved.type, saved.data.data(),
                             static_cast<DWORD>(saved.data.size()));
    }
}

void SetAdminUserValue(const wchar_t* name, const wchar_t* data, DWORD type) {
    tesk::UniqueRegKey key;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, key.put(), nullptr);
    if (!data) {
        ::RegDeleteValueW(key.get(), name);
        return;
    }
    ::RegSetValueExW(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data),
                     static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t)));
}

std::wstring UserName() {
    wchar_t name[256] = {};
    DWORD chars = 256;
    ::GetUserNameW(name, &chars);
    return name;
}

std::wstring QualifiedUserName() {
    tesk::UniqueKernelHandle token;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put());
    BYTE buffer[512] = {};
    DWORD bytes = 0;
    ::GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &bytes);
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameChars = 256, domainChars = 256;
    SID_NAME_USE use;
    ::LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameChars,
                        domain, &domainChars, &use);
    return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}

}  // namespace dcom_test
