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
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

using agent_test::ScopedTestClass;
namespace helpers = TeskAgentHelpers;

namespace {

std::wstring LocalServer32Value(REFCLSID clsid) {
    tesk::UniqueCoTaskString value;
    EXPECT_EQ(helpers::GetLocalServer32Value(helpers::IdentityOf(clsid), value.put()), S_OK);
    return value ? value.get() : L"<null>";
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

// ---- Classes of 32-bit servers (the 32-bit registry view) ---------------------

// Every lookup of a 32-bit server's entries in its own view runs across
// processes (agent_process_test.cpp, server_info_process_test.cpp).

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
    ScopedTestClass in64, in32(KEY_WOW64_32KEY);
    in64.WriteClassKey();
    in32.WriteInprocServer(L"C:\\x86\\server.dll");
    const size_t before = OwnHandleCount();
    for (int round = 0; round < 500; ++round) {
        EXPECT_EQ(helpers::ResolveServer(in64.clsidText().c_str()).view, helpers::k64BitView);
        EXPECT_EQ(helpers::GetInprocServerPath(helpers::IdentityOf(in32.clsid())),
                  L"C:\\x86\\server.dll");
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
