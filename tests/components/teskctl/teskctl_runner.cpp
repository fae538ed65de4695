#include "teskctl_runner.h"

#include "support/test_support.h"
#include "support/unique_resource.h"

namespace teskctl_test {

namespace {
std::wstring TempFile(const wchar_t* prefix) {
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, prefix, 0, file);
    return file;
}

tesk::UniqueFileHandle InheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    return tesk::UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                &inherit, CREATE_ALWAYS, 0, nullptr));
}
}  // namespace

nlohmann::json CtlRun::Json() const { return nlohmann::json::parse(out, nullptr, false); }

std::wstring CtlRun::OutText() const { return tesk_test::ToWide(out); }

std::string Utf8(const std::wstring& text) { return tesk_test::ToNarrow(text); }

CtlRun RunCtl(const std::wstring& arguments, DWORD timeoutMs) {
    const std::wstring outPath = TempFile(L"cto"), errPath = TempFile(L"cte");
    CtlRun run;
    {
        tesk::UniqueFileHandle out = InheritableFile(outPath), err = InheritableFile(errPath);
        STARTUPINFOW startup = {sizeof(startup)};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        std::wstring line = L"\"" TESK_CTL_EXE L"\" " + arguments;
        PROCESS_INFORMATION info = {};
        if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &info)) {
            tesk::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
            if (tesk_test::WaitPumping(process.get(), timeoutMs)) {
                DWORD code = 0;
                ::GetExitCodeProcess(process.get(), &code);
                run.exitCode = static_cast<long>(code);
            }
        }
    }
    run.out = tesk_test::ReadFileBytes(outPath);
    run.err = tesk_test::ReadFileBytes(errPath);
    ::DeleteFileW(outPath.c_str());
    ::DeleteFileW(errPath.c_str());
    return run;
}

}  // namespace teskctl_test
