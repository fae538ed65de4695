// Security descriptors stored in registry values, on a key of the test's own
// under HKEY_CURRENT_USER.

#include <gtest/gtest.h>

#include "dcomconfig/security_descriptor.h"
#include "descriptor_checks.h"
#include "support/test_support.h"
#include "support/win32_result.h"

using namespace dcom_test;

namespace {

const wchar_t kValue[] = L"LaunchPermission";

class RegistryDescriptorTest : public testing::Test {
protected:
    tesk_test::ScopedTestKey root_{L"DcomDescriptor"};
    const std::wstring path_ = root_.path() + L"\\AppID";
    const std::wstring user_ = ProcessUserSid();

    HRESULT Add(const wchar_t* principal, bool permit = true) {
        return AddPrincipalToRegistrySD(HKEY_CURRENT_USER, path_.c_str(), kValue, principal, permit);
    }
    HRESULT Remove(const wchar_t* principal) {
        return RemovePrincipalFromRegistrySD(HKEY_CURRENT_USER, path_.c_str(), kValue, principal);
    }
    std::vector<BYTE> Stored() { return ReadValue(HKEY_CURRENT_USER, path_, kValue); }
    // The stored DACL, after checking that the value is a proper descriptor.
    std::vector<AclEntry> StoredEntries() {
        return StoredPermissionEntries(HKEY_CURRENT_USER, path_, kValue, user_);
    }
};

// Its owner, group and DACL, and what ReadRegistrySD gives, are checked where
// permissions are added to a missing, stored or unusable value.
TEST_F(RegistryDescriptorTest, DefaultDescriptorIsAbsoluteWithNothingDefaultedAndNoSacl) {
    HeapBlock descriptor;
    ASSERT_EQ(CreateDefaultSD(descriptor), S_OK);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_EQ(control & (SE_SELF_RELATIVE | SE_SACL_PRESENT | SE_DACL_DEFAULTED |
                         SE_OWNER_DEFAULTED | SE_GROUP_DEFAULTED),
              0);
}

// An addition to a missing value grants the user, then SYSTEM, then the
// principal: agent_registration_test.cpp reads that order back from the agent's
// AppID, acl_entries_test.cpp the place of denied entries.
TEST_F(RegistryDescriptorTest, SystemAddedFirstHasNoAutomaticEntryAndRemovalTakesEveryEntry) {
    ASSERT_EQ(Add(L"SYSTEM"), S_OK);
    ASSERT_EQ(Add(L"nt authority\\system"), S_OK);
    EXPECT_EQ(StoredEntries(), (std::vector<AclEntry>{Allowed(user_), Allowed(kSystemSid),
                                                       Allowed(kSystemSid)}));
    ASSERT_EQ(Remove(L"NT Authority\\SYSTEM"), S_OK);
    EXPECT_EQ(StoredEntries(), std::vector<AclEntry>{Allowed(user_)});
}

TEST_F(RegistryDescriptorTest, RemovalWhereNothingIsStoredWritesNothing) {
    // Neither the key nor, under an existing key, the value appears.
    EXPECT_EQ(Remove(L"Everyone"), S_OK);
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CURRENT_USER, path_));
    EXPECT_EQ(RemovePrincipalFromRegistrySD(HKEY_CURRENT_USER, root_.path().c_str(), kValue,
                                            L"Everyone"),
              S_OK);
    EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, root_.path(), kValue).empty());
}

TEST_F(RegistryDescriptorTest, UnresolvablePrincipalFailsBeforeAnythingIsWritten) {
    // Nothing stored yet: no key is created.
    EXPECT_EQ(Add(L"NoSuchAccount_7f3a"), tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CURRENT_USER, path_));
    // Something stored: it stays as it was, for additions and removals alike.
    ASSERT_EQ(Add(L"Everyone"), S_OK);
    const std::vector<BYTE> before = Stored();
    EXPECT_EQ(Add(L"NoSuchAccount_7f3a", false), tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_EQ(Remove(L"NoSuchAccount_7f3a"), tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_EQ(Stored(), before);
}

// Values that hold no usable descriptor are replaced by a fresh default one at
// the next addition, and never edited (nor crash the reader).
class UnusableStoredValue : public RegistryDescriptorTest,
                            public testing::WithParamInterface<int> {
protected:
    std::vector<BYTE> Corrupted() {
        HeapBlock absolute;
        EXPECT_EQ(CreateDefaultSD(absolute), S_OK);
        // Variants of a self-relative descriptor of the process user.
        SECURITY_DESCRIPTOR variant;
        ::InitializeSecurityDescriptor(&variant, SECURITY_DESCRIPTOR_REVISION);
        PSID owner = nullptr, group = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        ::GetSecurityDescriptorOwner(absolute.get(), &owner, &defaulted);
        ::GetSecurityDescriptorGroup(absolute.get(), &group, &defaulted);
        ::GetSecurityDescriptorDacl(absolute.get(), &present, &dacl, &defaulted);
        switch (GetParam()) {
            case 0: return {1, 2, 3};                            // too short
            case 1: return std::vector<BYTE>(64, 0xFF);          // garbage
            case 2: ::SetSecurityDescriptorOwner(&variant, owner, FALSE);  // no DACL, no group
                    break;
            case 3: ::SetSecurityDescriptorOwner(&variant, owner, FALSE);  // null DACL
                    ::SetSecurityDescriptorGroup(&variant, group, FALSE);
                    ::SetSecurityDescriptorDacl(&variant, TRUE, nullptr, FALSE);
                    break;
            case 4: ::SetSecurityDescriptorDacl(&variant, TRUE, dacl, FALSE);  // no owner, group
                    break;
            case 5: ::SetSecurityDescriptorOwner(&variant, owner, FALSE);  // complete, then cut
                    ::SetSecurityDescriptorGroup(&variant, group, FALSE);
                    ::SetSecurityDescriptorDacl(&variant, TRUE, dacl, FALSE);
                    break;
        }
        DWORD bytes = 0;
        ::MakeSelfRelativeSD(&variant, nullptr, &bytes);
        std::vector<BYTE> relative(bytes);
        EXPECT_TRUE(::MakeSelfRelativeSD(&variant, relative.data(), &bytes));
        if (GetParam() == 5) relative.resize(relative.size() - 4);  // cut short
        return relative;
    }
};

TEST_P(UnusableStoredValue, IsReplacedByTheDefaultAtTheNextAddition) {
    WriteBinary(HKEY_CURRENT_USER, path_, kValue, Corrupted());
    HeapBlock descriptor;
    bool isNew = false;
    ASSERT_EQ(ReadRegistrySD(HKEY_CURRENT_USER, path_.c_str(), kValue, descriptor, isNew), S_OK);
    EXPECT_TRUE(isNew);
    const std::vector<BYTE> before = Stored();
    EXPECT_EQ(Remove(L"Everyone"), S_OK);
    EXPECT_EQ(Stored(), before);
    ASSERT_EQ(Add(L"Everyone"), S_OK);
    EXPECT_EQ(StoredEntries(), (std::vector<AclEntry>{Allowed(user_), Allowed(kSystemSid),
                                                       Allowed(kWorldSid)}));
}

INSTANTIATE_TEST_SUITE_P(Forms, UnusableStoredValue, testing::Range(0, 6));

TEST_F(RegistryDescriptorTest, ConvertedDescriptorKeepsItsPartsAndOutlivesTheStoredOne) {
    ASSERT_EQ(Add(L"Everyone"), S_OK);
    ASSERT_EQ(Add(L"ANONYMOUS LOGON", false), S_OK);
    std::vector<BYTE> stored = Stored();
    HeapBlock absolute;
    {
        std::vector<BYTE> copy = stored;
        ASSERT_EQ(ConvertToAbsoluteSD(copy.data(), absolute), S_OK);
        std::fill(copy.begin(), copy.end(), BYTE{0});
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(absolute.get(), &control, &revision));
    EXPECT_FALSE(control & SE_SELF_RELATIVE);
    EXPECT_EQ(OwnerSid(absolute.get()), user_);
    EXPECT_EQ(GroupSid(absolute.get()), user_);
    EXPECT_EQ(DaclEntries(absolute.get()), DaclEntries(stored.data()));
    EXPECT_EQ(ConvertToAbsoluteSD(nullptr, absolute), E_INVALIDARG);
    // Type and length of what is written: every StoredEntries() check.
    EXPECT_EQ(WriteRegistrySD(HKEY_CURRENT_USER, path_.c_str(), kValue, nullptr), E_INVALIDARG);
}

}  // namespace
