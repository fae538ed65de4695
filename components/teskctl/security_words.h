#pragma once
// COM launch and access permissions (self-relative security descriptors as
// the AppID and the machine-wide restrictions store them) in words.

#include <windows.h>

#include <string>
#include <vector>

namespace teskctl {

enum class ComRightsKind { Launch, Access };

struct PermissionWords {
    bool valid = false;               // a readable security descriptor
    std::vector<std::wstring> lines;  // "allow Everyone: local launch, remote launch"
    // An entry that lets everyone or anonymous callers launch or call.
    std::vector<std::wstring> openTo;
};

PermissionWords DescribePermissions(const std::vector<BYTE>& descriptor, ComRightsKind kind);

std::wstring AccountName(PSID sid);  // "NT AUTHORITY\SYSTEM", else the SID text
std::wstring AuthenticationLevelWords(DWORD level);
std::wstring ImpersonationLevelWords(DWORD level);

}  // namespace teskctl
