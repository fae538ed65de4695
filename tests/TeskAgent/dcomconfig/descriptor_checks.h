#pragma once
// Reading security descriptors back through the platform's security API, for
// comparing them entry by entry.

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace dcom_test {

// Well-known SIDs in string form.
extern const wchar_t kWorldSid[];      // S-1-1-0
extern const wchar_t kSystemSid[];     // S-1-5-18
extern const wchar_t kAnonymousSid[];  // S-1-5-7

struct AclEntry {
    BYTE type;
    DWORD mask;
    std::wstring sid;
    bool operator==(const AclEntry& other) const {
        return type == other.type && mask == other.mask && sid == other.sid;
    }
};
std::ostream& operator<<(std::ostream& out, const AclEntry& entry);

AclEntry Allowed(const std::wstring& sid);
AclEntry Denied(const std::wstring& sid);

std::wstring SidText(PSID sid);
// The user of this process's token, read straight from the token.
std::wstring ProcessUserSid();

std::vector<AclEntry> Entries(PACL acl);
std::vector<AclEntry> DaclEntries(PSECURITY_DESCRIPTOR descriptor);
std::wstring OwnerSid(PSECURITY_DESCRIPTOR descriptor);
std::wstring GroupSid(PSECURITY_DESCRIPTOR descriptor);

// A registry value's bytes and type; empty with type REG_NONE when absent.
std::vector<BYTE> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name,
                            DWORD* type = nullptr);
void WriteBinary(HKEY root, const std::wstring& path, const wchar_t* name,
                 const std::vector<BYTE>& data);

// A stored permission value: REG_BINARY, a valid self-relative descriptor whose
// length is the value's length. Adds a test failure otherwise.
bool IsStoredDescriptor(const std::vector<BYTE>& value, DWORD type);

// The DACL entries of a stored permission value that IsStoredDescriptor accepts
// and whose owner and group are owner; adds a test failure otherwise. No
// entries when the value is not such a descriptor.
std::vector<AclEntry> StoredPermissionEntries(HKEY root, const std::wstring& path,
                                              const wchar_t* value, const std::wstring& owner);

}  // namespace dcom_test
