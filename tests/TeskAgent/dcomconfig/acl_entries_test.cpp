// ACL editing and principal names, on ACLs built in the test.

#include "dcomconfig/acl_entries.h"

#include <gtest/gtest.h>

#include "dcomconfig/principal_sid.h"
#include "descriptor_checks.h"
#include "support/test_support.h"
#include "support/win32_result.h"

using namespace dcom_test;

namespace {

// An ACL of 1 KB, filled by the test through the platform's own calls.
class TestAcl {
public:
    TestAcl() : block_(AllocateHeapBlock(1024)) { ::InitializeAcl(get(), 1024, ACL_REVISION); }
    PACL get() const { return AsAcl(block_); }
    HeapBlock& block() { return block_; }
    void Allow(const wchar_t* account) { ::AddAccessAllowedAce(get(), ACL_REVISION, 1, Sid(account)); }
    void Deny(const wchar_t* account) { ::AddAccessDeniedAce(get(), ACL_REVISION, 1, Sid(account)); }
    void Audit(const wchar_t* account) {
        ::AddAuditAccessAce(get(), ACL_REVISION, 1, Sid(account), TRUE, TRUE);
    }

private:
    PSID Sid(const wchar_t* account) {
        sids_.emplace_back();
        EXPECT_EQ(LookupPrincipalSid(account, sids_.back()), S_OK) << tesk_test::ToNarrow(account);
        return sids_.back().get();
    }
    HeapBlock block_;
    std::vector<HeapBlock> sids_;
};

TEST(PrincipalSid, AccountNamesResolveInAnyCaseWithOrWithoutTheAuthority) {
    const struct {
        const wchar_t* name;
        const wchar_t* sid;
    } cases[] = {{L"Everyone", kWorldSid}, {L"EVERYONE", kWorldSid},
                 {L"nt authority\\EVERYONE", kWorldSid}, {L"NT AUTHORITY\\everyone", kWorldSid},
                 {L"SYSTEM", kSystemSid}, {L"NT Authority\\SYSTEM", kSystemSid}};
    HeapBlock sid;
    for (const auto& c : cases) {
        ASSERT_EQ(LookupPrincipalSid(c.name, sid), S_OK) << tesk_test::ToNarrow(c.name);
        EXPECT_EQ(SidText(sid.get()), c.sid) << tesk_test::ToNarrow(c.name);
    }
    ASSERT_EQ(GetProcessUserSid(sid), S_OK);
    EXPECT_EQ(SidText(sid.get()), ProcessUserSid());
}

TEST(PrincipalSid, UnresolvableNamesFail) {
    HeapBlock sid;
    EXPECT_EQ(LookupPrincipalSid(L"NoSuchAccount_7f3a", sid), tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_FALSE(sid);
    // A domain that has no controller: the domain query's own error.
    HRESULT hr = LookupPrincipalSid(L"NoSuchDomain7f3a\\someone", sid);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32);
    EXPECT_EQ(LookupPrincipalSid(nullptr, sid), E_INVALIDARG);
    // Too long to be handled whole: refused, never cut down to another name.
    EXPECT_EQ(LookupPrincipalSid(std::wstring(300, L'a').c_str(), sid), E_INVALIDARG);
}

TEST(AclEntries, AllowedEntryGoesBehindDeniedEntryInFront) {
    TestAcl acl;
    acl.Allow(L"SYSTEM");
    acl.Deny(L"Everyone");
    ASSERT_EQ(AddAllowedEntry(acl.block(), 1, L"ANONYMOUS LOGON"), S_OK);
    EXPECT_EQ(Entries(acl.get()), (std::vector<AclEntry>{Allowed(kSystemSid), Denied(kWorldSid),
                                                          Allowed(kAnonymousSid)}));
    ASSERT_EQ(AddDeniedEntry(acl.block(), 1, L"NT Authority\\SYSTEM"), S_OK);
    EXPECT_EQ(Entries(acl.get()), (std::vector<AclEntry>{Denied(kSystemSid), Allowed(kSystemSid),
                                                          Denied(kWorldSid),
                                                          Allowed(kAnonymousSid)}));
}

TEST(AclEntries, FailedAdditionLeavesTheAclAsItWas) {
    TestAcl acl;
    acl.Allow(L"SYSTEM");
    PACL before = acl.get();
    EXPECT_EQ(AddAllowedEntry(acl.block(), 1, L"NoSuchAccount_7f3a"),
              tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_EQ(AddDeniedEntry(acl.block(), 1, L"NoSuchAccount_7f3a"),
              tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_EQ(acl.get(), before);
    EXPECT_EQ(Entries(acl.get()), std::vector<AclEntry>{Allowed(kSystemSid)});
}

TEST(AclEntries, RemovalDeletesEveryAllowedDeniedAndAuditEntryOfThePrincipal) {
    TestAcl acl;
    acl.Allow(L"Everyone");
    acl.Deny(L"SYSTEM");
    acl.Audit(L"Everyone");
    acl.Allow(L"SYSTEM");
    acl.Deny(L"Everyone");
    acl.Allow(L"Everyone");
    EXPECT_TRUE(IsPrincipalInAcl(acl.get(), L"EVERYONE"));
    ASSERT_EQ(RemovePrincipalEntries(acl.get(), L"Everyone"), S_OK);
    EXPECT_EQ(Entries(acl.get()), (std::vector<AclEntry>{Denied(kSystemSid), Allowed(kSystemSid)}));
    EXPECT_FALSE(IsPrincipalInAcl(acl.get(), L"Everyone"));
    // Nothing left to remove is no failure; an unknown name is.
    EXPECT_EQ(RemovePrincipalEntries(acl.get(), L"Everyone"), S_OK);
    EXPECT_EQ(RemovePrincipalEntries(acl.get(), L"NoSuchAccount_7f3a"),
              tesk::Win32Result(ERROR_NONE_MAPPED));
    EXPECT_EQ(Entries(acl.get()).size(), 2u);
}

TEST(AclEntries, PresenceCountsAuditEntriesButNotUnknownNames) {
    TestAcl acl;
    acl.Audit(L"ANONYMOUS LOGON");
    EXPECT_TRUE(IsPrincipalInAcl(acl.get(), L"ANONYMOUS LOGON"));
    EXPECT_FALSE(IsPrincipalInAcl(acl.get(), L"SYSTEM"));
    EXPECT_FALSE(IsPrincipalInAcl(acl.get(), L"NoSuchAccount_7f3a"));
    EXPECT_FALSE(IsPrincipalInAcl(nullptr, L"SYSTEM"));
}

TEST(AclEntries, CopyKeepsOrderAndStopsWhenTheDestinationIsFull) {
    TestAcl source;
    source.Deny(L"ANONYMOUS LOGON");
    source.Allow(L"SYSTEM");
    source.Allow(L"Everyone");
    TestAcl destination;
    ASSERT_EQ(CopyAclEntries(source.get(), destination.get()), S_OK);
    EXPECT_EQ(Entries(destination.get()), Entries(source.get()));

    // Room for the header and one entry only.
    HeapBlock small = AllocateHeapBlock(sizeof(ACL) + 20);
    ASSERT_TRUE(::InitializeAcl(AsAcl(small), sizeof(ACL) + 20, ACL_REVISION));
    EXPECT_TRUE(FAILED(CopyAclEntries(source.get(), AsAcl(small))));
    EXPECT_EQ(Entries(AsAcl(small)), std::vector<AclEntry>{Denied(kAnonymousSid)});
}

}  // namespace
