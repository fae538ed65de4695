#pragma once
// Text in and out of TeskCtl: UTF-16 through the console when a stream is
// one (names beyond ASCII show right whatever the console's code page), UTF-8
// bytes when it is a file or a pipe (what scripts read).

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace teskctl {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

bool IsConsole(DWORD standardHandle);
void WriteOut(const std::wstring& text);
void WriteErr(const std::wstring& text);

// Progress of a wait on standard error, only when that is a console: after
// delayMs without Stop(), "<label> (n s)" is shown and kept up to date; Stop()
// (or the destructor) removes the line again.
class Progress {
public:
    Progress(std::wstring label, DWORD delayMs);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Stop();

private:
    void Run();
    std::wstring label_;
    DWORD delayMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace teskctl
