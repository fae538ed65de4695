#include <gtest/gtest.h>

#include "host/command_line.h"

namespace {

TEST(NextCommandToken, YieldsTextAfterEachSwitchCharacter) {
    const wchar_t* line = L"agent.exe -a /b";
    const wchar_t* first = NextCommandToken(line);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, L"a /b");
    const wchar_t* second = NextCommandToken(first);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second, L"b");
    EXPECT_EQ(NextCommandToken(second), nullptr);
    EXPECT_EQ(NextCommandToken(L""), nullptr);
    EXPECT_EQ(NextCommandToken(nullptr), nullptr);
}

TEST(FindRegistrationSwitch, MatchesEitherSwitchCharacterInAnyCase) {
    EXPECT_EQ(FindRegistrationSwitch(L"C:\\TeskAgent.exe -regserver"),
              RegistrationSwitch::RegServer);
    EXPECT_EQ(FindRegistrationSwitch(L"C:\\TeskAgent.exe /REGSERVER"),
              RegistrationSwitch::RegServer);
    EXPECT_EQ(FindRegistrationSwitch(L"\"C:\\TeskAgent.exe\" /UnRegServer"),
              RegistrationSwitch::UnregServer);
}

TEST(FindRegistrationSwitch, ComparesTheWholeRestOfTheLine) {
    // A switch followed by anything else does not match, nor does the later one.
    EXPECT_EQ(FindRegistrationSwitch(L"TeskAgent.exe -RegServer -Embedding"),
              RegistrationSwitch::None);
    EXPECT_EQ(FindRegistrationSwitch(L"TeskAgent.exe -RegServer "), RegistrationSwitch::None);
    // The first comparison covers both switches and fails; the second one matches.
    EXPECT_EQ(FindRegistrationSwitch(L"TeskAgent.exe -UnregServer /RegServer"),
              RegistrationSwitch::RegServer);
    EXPECT_EQ(FindRegistrationSwitch(L"TeskAgent.exe -Embedding"), RegistrationSwitch::None);
    EXPECT_EQ(FindRegistrationSwitch(L"TeskAgent.exe"), RegistrationSwitch::None);
}

TEST(FindRegistrationSwitch, SwitchCharactersInThePathMatchNothing) {
    EXPECT_EQ(FindRegistrationSwitch(L"C:\\tesk-agent/bin/TeskAgent.exe"),
              RegistrationSwitch::None);
    EXPECT_EQ(FindRegistrationSwitch(L"C:\\tesk-agent\\TeskAgent.exe -RegServer"),
              RegistrationSwitch::RegServer);
}

}  // namespace
