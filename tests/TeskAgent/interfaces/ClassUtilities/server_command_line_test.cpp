// A registered command line taken apart into executable and arguments, on a
// table of registered values; the files that decide between candidates are
// made in a folder of this test's own whose name has a blank.
#include <gtest/gtest.h>

#include "interfaces/ClassUtilities/ServerCommandLine.h"
#include "support/test_support.h"

namespace {

struct Case {
    const wchar_t* registered;  // $ stands for the test folder
    const wchar_t* exe;
    const wchar_t* args;
};

// Files present in the test folder (whose name has a blank): "Srv Dir\Server.exe",
// "Tools.exe Dir\Server.exe", "Both.exe" and "Both.exe Dir\Server.exe";
// "Tools.exe" exists only as a folder.
const Case kCases[] = {
    // Quoted: the quoted part, whatever exists.
    {L"\"$\\Srv Dir\\Server.exe\" -instance 7", L"$\\Srv Dir\\Server.exe", L"-instance 7"},
    {L"\"$\\No Dir\\Missing.exe\"", L"$\\No Dir\\Missing.exe", L""},
    {L"\"C:\\Srv\\Server.exe\"-x", L"C:\\Srv\\Server.exe", L"-x"},
    {L"  \"C:\\Open Quote\\Server.exe -x", L"C:\\Open Quote\\Server.exe -x", L""},
    // Unquoted without a blank: the whole text.
    {L"C:\\Srv\\Server.exe", L"C:\\Srv\\Server.exe", L""},
    {L"C:\\Srv\\Server", L"C:\\Srv\\Server", L""},
    // Unquoted, blanks in the arguments only.
    {L"C:\\Srv\\Server.exe -instance 7", L"C:\\Srv\\Server.exe", L"-instance 7"},
    {L"C:\\Srv\\SERVER.EXE\t-a  -b", L"C:\\Srv\\SERVER.EXE", L"-a  -b"},
    // Unquoted, blank in the path: the shortest ".exe" prefix that exists.
    {L"$\\Srv Dir\\Server.exe -instance 7", L"$\\Srv Dir\\Server.exe", L"-instance 7"},
    {L"$\\Srv Dir\\Server.exe", L"$\\Srv Dir\\Server.exe", L""},
    {L"$\\Srv Dir\\server.EXE -x", L"$\\Srv Dir\\server.EXE", L"-x"},
    // ".exe" in a folder name: a folder is no executable, nor a prefix that does not exist.
    {L"$\\Srv.exe\\Server.exe -x", L"$\\Srv.exe\\Server.exe", L"-x"},
    {L"$\\Tools.exe Dir\\Server.exe -x", L"$\\Tools.exe Dir\\Server.exe", L"-x"},
    {L"$\\Both.exe Dir\\Server.exe -x", L"$\\Both.exe", L"Dir\\Server.exe -x"},
    // Nothing exists: the shortest candidate; no candidate: the first word.
    {L"$\\No Dir\\Missing.exe -x", L"$\\No Dir\\Missing.exe", L"-x"},
    {L"$\\No.exe Dir\\Missing.exe -x", L"$\\No.exe", L"Dir\\Missing.exe -x"},
    {L"C:\\No Dir\\Missing -x", L"C:\\No", L"Dir\\Missing -x"},
    {L"C:\\No Dir\\Missing.exec -x", L"C:\\No", L"Dir\\Missing.exec -x"},
};

std::wstring InFolder(const wchar_t* text, const std::wstring& folder) {
    std::wstring out;
    for (const wchar_t* c = text; *c; ++c) out += *c == L'$' ? folder : std::wstring(1, *c);
    return out;
}

TEST(ServerCommandLineTest, SplitsRegisteredValuesIntoExecutableAndArguments) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"split " + tesk_test::NewGuidText();
    tesk_test::ScopedFiles files;
    ASSERT_TRUE(files.Folder(folder));
    for (const wchar_t* sub : {L"\\Srv Dir", L"\\Tools.exe Dir", L"\\Both.exe Dir", L"\\Tools.exe"})
        ASSERT_TRUE(files.Folder(folder + sub));
    for (const wchar_t* file : {L"\\Srv Dir\\Server.exe", L"\\Tools.exe Dir\\Server.exe",
                                L"\\Both.exe", L"\\Both.exe Dir\\Server.exe"})
        ASSERT_TRUE(files.Copy(TESK_MARKER_EXE, folder + file));

    for (const Case& c : kCases) {
        std::wstring registered = InFolder(c.registered, folder);
        SCOPED_TRACE(tesk_test::ToNarrow(registered));
        std::wstring exe = L"stale", args = L"stale";
        ASSERT_EQ(SplitServerCommandLine(registered, exe, args), S_OK);
        EXPECT_EQ(exe, InFolder(c.exe, folder));
        EXPECT_EQ(args, c.args);
    }
}

TEST(ServerCommandLineTest, TextWithoutAnExecutableIsRefused) {
    for (const wchar_t* registered : {L"", L"   ", L"\"\"", L"\"\" -x"}) {
        std::wstring exe = L"stale", args = L"stale";
        EXPECT_EQ(SplitServerCommandLine(registered, exe, args), E_INVALIDARG);
        EXPECT_EQ(exe, L"");
        EXPECT_EQ(args, L"");
    }
}

}  // namespace
