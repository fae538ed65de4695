// Server name resolution and the class-registration reads, against classes
// this test registers under HKCR with CLSIDs of their own.
#include <gtest/gtest.h>
#include <winternl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "agent_test_support.h"
#include "support/test_support.h"
#include "interfaces/ClassUtilities/CategoryClasses.h"
#include "interfaces/ClassUtilities/ClassesRootKey.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

using agent_test::ScopedTestClass;
namespace helpers = TeskAgentHelpers;

namespace {

constexpr REGSAM kOwnView = KEY_WOW64_64KEY, kOtherView = KEY_WOW64_32KEY;

std::wstring LocalServer32Value(REFCLSID clsid) {
    tesk::UniqueCoTaskString value;
    EXPECT_EQ(helpers::GetLocalServer32Value(helpers::IdentityOf(clsid), value.put()), S_OK);
    return value ? value.get() : L"<null>";
}

TEST(ServerNameResolution, ClsidTextResolvesWithoutAnyRegistration) {
    ScopedTestClass unregistered;  // nothing written: no ProgID, no class key
    EXPECT_EQ(helpers::GetServerGuid(unregistered.clsidText().c_str()), unregistered.clsid());
}

TEST(ServerNameResolution, ProgIdResolvesToItsClass) {
    ScopedTestClass server;
    server.WriteClassKey();
    server.WriteProgId();
    EXPECT_EQ(helpers::GetServerGuid(server.progId().c_str()), server.clsid());
}

TEST(ServerNameResolution, UnknownNamesGiveTheNullGuid) {
    EXPECT_EQ(helpers::GetServerGuid(L"TeskAgentTest.NoSuchServer.1"), GUID_NULL);
    EXPECT_EQ(helpers::GetServerGuid(L""), GUID_NULL);
    EXPECT_EQ(helpers::GetServerGuid(nullptr), GUID_NULL);
}

TEST(ServerEntries, LocalServerQuotesAreRemovedWhereverTheyStand) {
    ScopedTestClass server;
    server.WriteLocalServer(L"C:\\Program Files\\Tesk\\server.exe -Embedding");
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(server.clsid())),
              L"C:\\Program Files\\Tesk\\server.exe -Embedding")
        << "an unquoted value is returned unchanged";
    server.WriteLocalServer(L"\"C:\\Program Files\\Tesk\\server.exe\" -Embedding");
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(server.clsid())),
              L"C:\\Program Files\\Tesk\\server.exe -Embedding");
    server.WriteLocalServer(L"C:\\Tesk\\ser\"ver.exe \"a b\"");
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(server.clsid())), L"C:\\Tesk\\server.exe a b");
}

TEST(ServerEntries, InprocOnlyClassHasNoLocalServerPath) {
    ScopedTestClass server;
    server.WriteInprocServer(L"\"C:\\Tesk\\server.dll\"");
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(server.clsid())), L"");
    EXPECT_EQ(helpers::GetInprocServerPath(helpers::IdentityOf(server.clsid())), L"C:\\Tesk\\server.dll");
}

TEST(ServerEntries, MissingClassGivesEmptyEntries) {
    ScopedTestClass unregistered;
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(unregistered.clsid())), L"");
    EXPECT_EQ(helpers::GetInprocServerPath(helpers::IdentityOf(unregistered.clsid())), L"");
    EXPECT_EQ(LocalServer32Value(unregistered.clsid()), L"");
    EXPECT_EQ(LocalServer32Value(GUID_NULL), L"");
}

TEST(ServerEntries, ConfigurationValueIsTheNamedValueOnly) {
    ScopedTestClass server;
    server.WriteLocalServer(L"C:\\Tesk\\server.exe");
    EXPECT_EQ(LocalServer32Value(server.clsid()), L"")
        << "a LocalServer32 subkey is not the named value";
    server.WriteNamedValue(L"LocalServer32", L"\"C:\\Tesk\\config.xml\"");
    EXPECT_EQ(LocalServer32Value(server.clsid()), L"\"C:\\Tesk\\config.xml\"")
        << "nothing is removed from the named value";
}

TEST(ServerEntries, ValuesOf255CharactersAreReadLongerOnesAreNot) {
    ScopedTestClass server;
    std::wstring longest(255, L'x');
    server.WriteLocalServer(longest);
    server.WriteNamedValue(L"LocalServer32", longest);
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(server.clsid())), longest);
    EXPECT_EQ(LocalServer32Value(server.clsid()), longest);

    std::wstring tooLong(256, L'y');
    server.WriteLocalServer(tooLong);
    server.WriteNamedValue(L"LocalServer32", tooLong + L"zzzz");
    EXPECT_EQ(helpers::GetLocalServerPath(helpers::IdentityOf(server.clsid())), L"");
    EXPECT_EQ(LocalServer32Value(server.clsid()), L"");
}

TEST(ServerEntries, ClassesRootKeyJoinsPathAndSubkey) {
    ScopedTestClass server;
    server.WriteInprocServer(L"C:\\m.dll");
    EXPECT_TRUE(ClassesRootKey(server.ClassKeyPath(), L"InprocServer32", kOwnView).IsOpen());
    EXPECT_TRUE(ClassesRootKey(server.ClassKeyPath() + L"\\InprocServer32", L"", kOwnView).IsOpen());
    EXPECT_EQ(ClassesRootKey(server.ClassKeyPath() + L"\\InprocServer32", L"", kOwnView)
                  .GetStringValue(L""),
              L"C:\\m.dll");
    EXPECT_FALSE(ClassesRootKey(server.ClassKeyPath(), L"InprocServer32", kOtherView).IsOpen());
    ClassesRootKey missing(server.ClassKeyPath(), L"LocalServer32", kOwnView);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.GetStringValue(L""), L"");
}

// ---- Classes of 32-bit servers (the 32-bit registry view) ---------------------

// Where a test places the class and its ProgID key, and what the lookups must find.
struct Placement {
    const char* what;
    bool classIn64, classIn32;
    REGSAM progIdView;  // 0: the default view, shared on current Windows
    REGSAM expectedView;
};

const Placement kPlacements[] = {
    {"64-bit class", true, false, 0, helpers::k64BitView},
    {"32-bit class, ProgID in the default view", false, true, 0, KEY_WOW64_32KEY},
    {"32-bit class, ProgID in the 32-bit view", false, true, KEY_WOW64_32KEY, KEY_WOW64_32KEY},
    {"class in both views", true, true, 0, helpers::k64BitView},
};

// Each view's entries name their view, so a mixed answer shows.
std::wstring EntryOf(REGSAM view, const wchar_t* what) {
    return std::wstring(view == KEY_WOW64_32KEY ? L"C:\\x86\\" : L"C:\\x64\\") + what;
}

void WriteClassIn(const ScopedTestClass& s, REGSAM view) {
    std::wstring key = s.ClassKeyPath();
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key, nullptr, EntryOf(view, L"Type"), view);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, s.progId(), view);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key + L"\\LocalServer32", nullptr,
                           L"\"" + EntryOf(view, L"server.exe") + L"\" -a", view);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr,
                           EntryOf(view, L"server.dll"), view);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key, L"LocalServer32", EntryOf(view, L"cfg"), view);
}

TEST(ServerViews, EveryLookupReadsTheViewThatHoldsTheClass) {
    for (const Placement& placement : kPlacements) {
        SCOPED_TRACE(placement.what);
        ScopedTestClass server;
        if (placement.classIn64) WriteClassIn(server, KEY_WOW64_64KEY);
        if (placement.classIn32) WriteClassIn(server, KEY_WOW64_32KEY);
        tesk_test::WriteString(HKEY_CLASSES_ROOT, server.progId() + L"\\CLSID", nullptr,
                               server.clsidText(), placement.progIdView);
        const REGSAM view = placement.expectedView;

        for (const std::wstring& name : {server.progId(), server.clsidText()}) {
            helpers::ServerIdentity found = helpers::ResolveServer(name.c_str());
            EXPECT_EQ(found.clsid, server.clsid());
            EXPECT_EQ(found.view, view);
        }
        helpers::ServerIdentity identity = helpers::IdentityOf(server.clsid());
        EXPECT_EQ(identity.view, view);
        EXPECT_EQ(helpers::GetLocalServerPath(identity), EntryOf(view, L"server.exe") + L" -a");
        EXPECT_EQ(helpers::GetInprocServerPath(identity), EntryOf(view, L"server.dll"));
        EXPECT_EQ(LocalServer32Value(server.clsid()), EntryOf(view, L"cfg"));
        tesk::UniqueCoTaskString progId = helpers::ProgIdOf(identity);
        tesk::UniqueCoTaskString userType = helpers::UserTypeNameOf(identity);
        EXPECT_EQ(std::wstring(progId ? progId.get() : L"<null>"), server.progId());
        EXPECT_EQ(std::wstring(userType ? userType.get() : L"<null>"), EntryOf(view, L"Type"));
    }
}

// This process's entries in the system's handle list.
size_t OwnHandleCount() {
    struct Entry {
        USHORT process, trace;
        UCHAR type, attributes;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    const auto kHandleList = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    std::vector<ULONG_PTR> buffer(1 << 16);  // the count, then the entries
    NTSTATUS status;
    while ((status = ::NtQuerySystemInformation(
                kHandleList, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)),
                nullptr)) == static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    EXPECT_GE(status, 0);
    const auto* entries = reinterpret_cast<const Entry*>(&buffer[1]);
    return std::count_if(entries, entries + static_cast<ULONG>(buffer[0]), [](const Entry& entry) {
        return entry.process == static_cast<USHORT>(::GetCurrentProcessId());
    });
}

// The agent looks servers up in both views on every call for as long as it
// runs (Wine keeps a handle for good for every open below HKEY_CLASSES_ROOT
// that names a view).
TEST(ServerViews, LookupsInBothViewsLeaveNoHandleBehind) {
    ScopedTestClass in64, in32;
    WriteClassIn(in64, KEY_WOW64_64KEY);
    WriteClassIn(in32, KEY_WOW64_32KEY);
    const size_t before = OwnHandleCount();
    for (int round = 0; round < 500; ++round) {
        EXPECT_EQ(helpers::ResolveServer(in64.clsidText().c_str()).view, helpers::k64BitView);
        EXPECT_EQ(helpers::GetInprocServerPath(helpers::IdentityOf(in32.clsid())),
                  EntryOf(KEY_WOW64_32KEY, L"server.dll"));
        EXPECT_FALSE(helpers::ResolveServer(L"TeskAgentTest.NoSuchServer.1").IsKnown());
    }
    EXPECT_LT(OwnHandleCount(), before + 100);
}

TEST(ServerViews, SystemFolderOfA32BitServerIsThe32BitOne) {
    wchar_t system[MAX_PATH], wow64[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    if (::GetSystemWow64DirectoryW(wow64, MAX_PATH) == 0) GTEST_SKIP() << "no 32-bit system folder";
    ScopedTestClass any;
    const helpers::ServerIdentity x64{any.clsid(), helpers::k64BitView};
    const helpers::ServerIdentity x86{any.clsid(), KEY_WOW64_32KEY};
    const std::wstring inSystem = std::wstring(system) + L"\\tesk.dll";
    struct Case {
        const helpers::ServerIdentity& server;
        std::wstring registered, file;
    } cases[] = {
        {x86, inSystem, std::wstring(wow64) + L"\\tesk.dll"},
        {x64, inSystem, inSystem},
        {x86, std::wstring(system) + L"x\\tesk.dll", std::wstring(system) + L"x\\tesk.dll"},
        {x86, L"C:\\Tesk\\tesk.dll", L"C:\\Tesk\\tesk.dll"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(helpers::ModuleFileOf(c.server, c.registered), c.file) << c.registered;
}

TEST(ServerViews, CategoryListsEachClassOnceWith32BitOnlyClassesLast) {
    GUID category;
    const std::wstring categoryText = tesk_test::NewGuidText(&category);
    ScopedTestClass only64, only32(KEY_WOW64_32KEY), both, requiring(KEY_WOW64_32KEY);
    for (ScopedTestClass* server : {&only64, &only32, &both, &requiring}) {
        server->WriteClassKey();
        server->WriteCategory(categoryText);
    }
    // The same class in the 32-bit view too.
    tesk_test::WriteString(HKEY_CLASSES_ROOT, both.ClassKeyPath() + L"\\Implemented Categories\\" +
                               categoryText, nullptr, L"", KEY_WOW64_32KEY);
    // A class that requires a category is not listed without it, as the platform rules.
    tesk_test::WriteString(HKEY_CLASSES_ROOT,
                           requiring.ClassKeyPath() + L"\\Required Categories\\" +
                               tesk_test::NewGuidText(),
                           nullptr, L"", KEY_WOW64_32KEY);

    helpers::CategoryClasses listed = helpers::ListCategoryClasses(category);
    ASSERT_EQ(listed.result, S_OK);
    std::vector<std::pair<CLSID, REGSAM>> got;
    for (const helpers::ServerIdentity& server : listed.classes)
        got.emplace_back(server.clsid, server.view);
    auto at = [&](const ScopedTestClass& server) {
        return std::find_if(got.begin(), got.end(),
                            [&](const auto& entry) { return entry.first == server.clsid(); }) -
               got.begin();
    };
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[static_cast<size_t>(at(only64))].second, helpers::k64BitView);
    EXPECT_EQ(got[static_cast<size_t>(at(both))].second, helpers::k64BitView);
    EXPECT_EQ(at(only32), 2) << "after the 64-bit view's classes";
    EXPECT_EQ(got[2].second, KEY_WOW64_32KEY);
}

}  // namespace
