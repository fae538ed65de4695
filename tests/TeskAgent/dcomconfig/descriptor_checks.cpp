#include "descriptor_checks.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include "support/test_support.h"
#include "support/unique_resource.h"

namespace dcom_test {

const wchar_t kWorldSid[] = L"S-1-1-0";
const wchar_t kSystemSid[] = L"S-1-5-18";
const wchar_t kAnonymousSid[] = L"S-1-5-7";

std::ostream& operator<<(std::ostream& out, const AclEntry& entry) {
    return out << "{type " << int(entry.type) << ", mask " << entry.mask << ", "
               << tesk_test::ToNarrow(entry.sid) << "}";
}

AclEntry Allowed(const std::wstring& sid) { return {ACCESS_ALLOWED_ACE_TYPE, 1, sid}; }
AclEntry Denied(const std::wstring& sid) { return {ACCESS_DENIED_ACE_TYPE, 1, sid}; }

std::wstring SidText(PSID sid) {
    if (!sid) return L"(none)";
    tesk::UniqueLocalMem text;
    if (!::ConvertSidToStringSidW(sid, reinterpret_cast<wchar_t**>(text.put()))) return L"(bad)";
    return static_cast<const wchar_t*>(text.get());
}

std::wstring ProcessUserSid() {
    tesk::UniqueKernelHandle token;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put());
    BYTE buffer[512] = {};
    DWORD bytes = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &bytes)) return L"";
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

std::vector<AclEntry> Entries(PACL acl) {
    std::vector<AclEntry> entries;
    if (!acl) return entries;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(acl, i, &ace)) break;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        entries.push_back({allowed->Header.AceType, allowed->Mask, SidText(&allowed->SidStart)});
    }
    return entries;
}

std::vector<AclEntry> DaclEntries(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present)
        return {};
    return Entries(dacl);
}

std::wstring OwnerSid(PSECURITY_DESCRIPTOR descriptor) {
    PSID sid = nullptr;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorOwner(descriptor, &sid, &defaulted);
    return SidText(sid);
}

std::wstring GroupSid(PSECURITY_DESCRIPTOR descriptor) {
    PSID sid = nullptr;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorGroup(descriptor, &sid, &defaulted);
    return SidText(sid);
}

std::vector<BYTE> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name,
                            DWORD* type) {
    if (type) *type = REG_NONE;
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
    DWORD bytes = 0, valueType = REG_NONE;
    if (::RegQueryValueExW(key.get(), name, nullptr, &valueType, nullptr, &bytes) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> data(bytes);
    ::RegQueryValueExW(key.get(), name, nullptr, &valueType, data.data(), &bytes);
    if (type) *type = valueType;
    return data;
}

void WriteBinary(HKEY root, const std::wstring& path, const wchar_t* name,
                 const std::vector<BYTE>& data) {
    tesk::UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, REG_BINARY, data.data(),
                               static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

bool IsStoredDescriptor(const std::vector<BYTE>& value, DWORD type) {
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    if (value.empty()) {
        ADD_FAILURE() << "no descriptor stored";
        return false;
    }
    auto descriptor = const_cast<BYTE*>(value.data());
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!::IsValidSecurityDescriptor(descriptor) ||
        !::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        ADD_FAILURE() << "not a valid security descriptor";
        return false;
    }
    EXPECT_TRUE(control & SE_SELF_RELATIVE);
    EXPECT_EQ(::GetSecurityDescriptorLength(descriptor), value.size());
    return (control & SE_SELF_RELATIVE) && ::GetSecurityDescriptorLength(descriptor) == value.size();
}

std::vector<AclEntry> StoredPermissionEntries(HKEY root, const std::wstring& path,
                                              const wchar_t* value, const std::wstring& owner) {
    DWORD type = REG_NONE;
    std::vector<BYTE> data = ReadValue(root, path, value, &type);
    if (!IsStoredDescriptor(data, type)) return {};
    EXPECT_EQ(OwnerSid(data.data()), owner);
    EXPECT_EQ(GroupSid(data.data()), owner);
    return DaclEntries(data.data());
}

}  // namespace dcom_test
