// A program that only records that it ran: it writes its command line into
// "<its own path>.ran". Tests copy it where a real program is registered and
// where a planted one would lie, and read back which of them ran. Started by
// the Service Control Manager ("-service" on its command line) it is a
// service that stops at once.
#include <windows.h>

#include <cwchar>
#include <string>

#include "support/unique_resource.h"

namespace {

void WINAPI StopAtOnce(DWORD, wchar_t**) {
    SERVICE_STATUS_HANDLE handle = ::RegisterServiceCtrlHandlerExW(
        L"", [](DWORD, DWORD, void*, void*) -> DWORD { return NO_ERROR; }, nullptr);
    SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED};
    if (handle) ::SetServiceStatus(handle, &status);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    wchar_t path[MAX_PATH + 8] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring record = std::wstring(path) + L".ran";
    const wchar_t* line = ::GetCommandLineW();
    {
        tesk::UniqueFileHandle file(::CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), line, static_cast<DWORD>(std::wcslen(line) * sizeof(wchar_t)),
                    &written, nullptr);
    }
    if (!std::wcsstr(line, L"-service")) return 0;
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, StopAtOnce}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
