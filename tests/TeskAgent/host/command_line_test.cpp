#include <gtest/gtest.h>

#include "host/command_line.h"

namespace {

TEST(NextCommandToken, YieldsTextAfterEachSwitchCharacter) {
    const wchar_t* first = NextCommandToken(L"agent.exe -a /b");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, L"a /b");
    EXPECT_STREQ(NextCommandToken(first), L"b");
    EXPECT_EQ(NextCommandToken(L"b"), nullptr);
    EXPECT_EQ(NextCommandToken(nullptr), nullptr);
}

TEST(FindRegistrationSwitch, MatchesTheWholeRestOfTheLineAfterEitherSwitchCharacterInAnyCase) {
    const struct {
        const wchar_t* line;
        RegistrationSwitch expected;
    } cases[] = {
        {L"C:\\TeskAgent.exe -regserver", RegistrationSwitch::RegServer},
        {L"C:\\TeskAgent.exe /REGSERVER", RegistrationSwitch::RegServer},
        {L"\"C:\\TeskAgent.exe\" /UnRegServer", RegistrationSwitch::UnregServer},
        // A switch followed by anything else does not match, nor does the later one.
        {L"TeskAgent.exe -RegServer -Embedding", RegistrationSwitch::None},
        {L"TeskAgent.exe -RegServer ", RegistrationSwitch::None},
        // The first comparison covers both switches and fails; the second one matches.
        {L"TeskAgent.exe -UnregServer /RegServer", RegistrationSwitch::RegServer},
        {L"TeskAgent.exe", RegistrationSwitch::None},
        // Switch characters in the path match nothing.
        {L"C:\\tesk-agent/bin/TeskAgent.exe", RegistrationSwitch::None},
        {L"C:\\tesk-agent\\TeskAgent.exe -RegServer", RegistrationSwitch::RegServer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindRegistrationSwitch(c.line), c.expected) << testing::PrintToString(c.line);
}

}  // namespace
