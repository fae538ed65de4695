// Server name resolution and the class-registration reads, against classes
// this test registers under HKCR with CLSIDs of their own.
#include <gtest/gtest.h>

#include <string>

#include "agent_test_support.h"
#include "interfaces/ClassUtilities/ClassesRootKey.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

using agent_test::ScopedTestClass;
namespace helpers = TeskAgentHelpers;

namespace {

std::wstring LocalServer32Value(REFCLSID clsid) {
    tesk::UniqueCoTaskString value;
    EXPECT_EQ(helpers::GetLocalServer32Value(clsid, value.put()), S_OK);
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
    EXPECT_EQ(helpers::GetLocalServerPath(server.clsid()),
              L"C:\\Program Files\\Tesk\\server.exe -Embedding")
        << "an unquoted value is returned unchanged";
    server.WriteLocalServer(L"\"C:\\Program Files\\Tesk\\server.exe\" -Embedding");
    EXPECT_EQ(helpers::GetLocalServerPath(server.clsid()),
              L"C:\\Program Files\\Tesk\\server.exe -Embedding");
    server.WriteLocalServer(L"C:\\Tesk\\ser\"ver.exe \"a b\"");
    EXPECT_EQ(helpers::GetLocalServerPath(server.clsid()), L"C:\\Tesk\\server.exe a b");
}

TEST(ServerEntries, InprocOnlyClassHasNoLocalServerPath) {
    ScopedTestClass server;
    server.WriteInprocServer(L"\"C:\\Tesk\\server.dll\"");
    EXPECT_EQ(helpers::GetLocalServerPath(server.clsid()), L"");
    EXPECT_EQ(helpers::GetInprocServerPath(server.clsid()), L"C:\\Tesk\\server.dll");
}

TEST(ServerEntries, MissingClassGivesEmptyEntries) {
    ScopedTestClass unregistered;
    EXPECT_EQ(helpers::GetLocalServerPath(unregistered.clsid()), L"");
    EXPECT_EQ(helpers::GetInprocServerPath(unregistered.clsid()), L"");
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
    EXPECT_EQ(helpers::GetLocalServerPath(server.clsid()), longest);
    EXPECT_EQ(LocalServer32Value(server.clsid()), longest);

    std::wstring tooLong(256, L'y');
    server.WriteLocalServer(tooLong);
    server.WriteNamedValue(L"LocalServer32", tooLong + L"zzzz");
    EXPECT_EQ(helpers::GetLocalServerPath(server.clsid()), L"");
    EXPECT_EQ(LocalServer32Value(server.clsid()), L"");
}

TEST(ServerEntries, ClassesRootKeyJoinsPathAndSubkey) {
    ScopedTestClass server;
    server.WriteInprocServer(L"C:\\m.dll");
    EXPECT_TRUE(ClassesRootKey(server.ClassKeyPath(), L"InprocServer32").IsOpen());
    EXPECT_TRUE(ClassesRootKey(server.ClassKeyPath() + L"\\InprocServer32", L"").IsOpen());
    EXPECT_EQ(ClassesRootKey(server.ClassKeyPath() + L"\\InprocServer32", L"").GetStringValue(L""),
              L"C:\\m.dll");
    ClassesRootKey missing(server.ClassKeyPath(), L"LocalServer32");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.GetStringValue(L""), L"");
}

}  // namespace
