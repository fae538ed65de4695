#pragma once
// Starting a program with its standard error captured, and the shared state
// the registration tests change and put back.

#include <windows.h>

#include <string>
#include <vector>

namespace dcom_test {

struct ProcessResult {
    long exitCode = -1;  // -1: not started, or still running after the timeout
    std::wstring standardError;
};

// Runs the command line with its standard output and error going to a pipe
// and waits for its end; given a folder, in that current folder and with PATH
// beginning with it.
ProcessResult RunCapturingStandardError(const std::wstring& commandLine, DWORD timeoutMs = 60000,
                                        const std::wstring& folder = L"");

// The administrator-account configuration (HKLM\SOFTWARE\Quellix\Framework\AdminUser),
// saved at construction and put back at destruction.
class SavedAdminUserConfig {
public:
    SavedAdminUserConfig();
    ~SavedAdminUserConfig();
    SavedAdminUserConfig(const SavedAdminUserConfig&) = delete;
    SavedAdminUserConfig& operator=(const SavedAdminUserConfig&) = delete;

private:
    struct Saved {
        const wchar_t* name;
        DWORD type;  // REG_NONE: absent
        std::vector<BYTE> data;
    };
    Saved saved_[2];
};

// Sets one value of the administrator-account configuration; a null data deletes it.
void SetAdminUserValue(const wchar_t* name, const wchar_t* data, DWORD type = REG_SZ);

// The name of the user of this process, and that account's name as
// "domain\name", as the system spells it.
std::wstring UserName();
std::wstring QualifiedUserName();

}  // namespace dcom_test
