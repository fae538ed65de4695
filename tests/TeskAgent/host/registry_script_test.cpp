#include <gtest/gtest.h>

#include <stdexcept>

#include "host/registry_script.h"
#include "support/test_support.h"

using tesk_test::DumpTree;
using tesk_test::KeyExists;
using tesk_test::ReadString;
using tesk_test::ScopedTestKey;

namespace {

const wchar_t kScript[] = LR"(
HKCR
{
	NoRemove Parent
	{
		ForceRemove Replaced = s 'Replaced default'
		{
			val Named = s 'value of %NAME%'
			Child = s '%MODULE%'
			ForceRemove 'Empty'
		}
		Plain = s 'It''s plain'
		{
			val Number = d '42'
		}
	}
}
)";

class RegistryScriptTest : public testing::Test {
protected:
    ScopedTestKey root_{L"RegistryScript"};
    RegistryScript script_{kScript};
    std::wstring Path(const std::wstring& below) { return root_.path() + L"\\" + below; }
    void SetUp() override { script_.RedirectRoot(L"HKCR", root_.get()); }
};

TEST_F(RegistryScriptTest, RegistrationWritesKeysValuesAndReplacements) {
    ASSERT_EQ(script_.Register({{L"NAME", L"x"}, {L"MODULE", L"C:\\dir\\m.exe"}}), S_OK);
    SCOPED_TRACE(DumpTree(HKEY_CURRENT_USER, root_.path()));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Path(L"Parent\\Replaced"), nullptr),
              L"Replaced default");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Path(L"Parent\\Replaced"), L"Named"), L"value of x");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Path(L"Parent\\Replaced\\Child"), nullptr),
              L"C:\\dir\\m.exe");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent\\Replaced\\Empty")));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Path(L"Parent\\Plain"), nullptr), L"It's plain");

    DWORD number = 0, bytes = sizeof(number);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, Path(L"Parent\\Plain").c_str(), L"Number",
                             RRF_RT_REG_DWORD, nullptr, &number, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(number, 42u);
}

TEST_F(RegistryScriptTest, ReplacedKeyLosesEverythingUnlistedAtRegistration) {
    tesk_test::WriteString(HKEY_CURRENT_USER, Path(L"Parent\\Replaced\\Stale"), L"Old", L"1");
    tesk_test::WriteString(HKEY_CURRENT_USER, Path(L"Parent\\Plain\\Kept"), L"Old", L"1");
    ASSERT_EQ(script_.Register({}), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent\\Replaced\\Stale")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent\\Plain\\Kept")));
}

TEST_F(RegistryScriptTest, RemovalDeletesListedKeysButNeverNoRemoveKeysNorOnesOthersExtended) {
    ASSERT_EQ(script_.Register({}), S_OK);
    tesk_test::WriteString(HKEY_CURRENT_USER, Path(L"Parent\\Plain\\Foreign"), nullptr, L"x");
    ASSERT_EQ(script_.Unregister(), S_OK);
    SCOPED_TRACE(DumpTree(HKEY_CURRENT_USER, root_.path()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent\\Replaced")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent\\Plain\\Foreign")));
    tesk_test::DeleteTree(HKEY_CURRENT_USER, Path(L"Parent\\Plain\\Foreign"));
    ASSERT_EQ(script_.Unregister(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent\\Plain")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path(L"Parent")));
    // Removing what is not there succeeds.
    EXPECT_EQ(script_.Unregister(), S_OK);
}

TEST(RegistryScriptSyntax, RejectsMalformedText) {
    EXPECT_THROW(RegistryScript(L"HKCR { Key = s 'unterminated }"), std::invalid_argument);
    EXPECT_THROW(RegistryScript(L"HKCR { Key = q 'x' }"), std::invalid_argument);
    EXPECT_THROW(RegistryScript(L"HKCR { Key {"), std::invalid_argument);
}

}  // namespace
