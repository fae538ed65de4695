#pragma once
// The agent's one client of the framework's logger library, Tracemill.dll,
// loaded at run time. Without the library every operation quietly does nothing.

#include <windows.h>

#include <cstdarg>
#include <cstdint>

#include "support/unique_resource.h"

// Standard flag indices used by the guarded log calls.
enum LogLevelIndex : int32_t {
    LOG_INDEX_ERROR = 0,
    LOG_INDEX_WARNING = 1,
    LOG_INDEX_TRACE = 3,
};

// Where the logger library's install folder is configured.
#define TESK_LOGGER_KEY L"SOFTWARE\\Quellix\\Framework\\Logger"

class CLogClient {
public:
    static constexpr int kEntryPointCount = 40;
    static constexpr int kStandardFlagCount = 11;
    static constexpr DWORD kUnregistered = 0xFFFFFFFF;
    static constexpr int kRecordChars = 8192;

    // The process's client (configured under HKLM), created on first use; its
    // clean-up runs at process exit.
    static CLogClient& Instance();

    // A client that reads "InstallPath" from root\keyPath. The process uses
    // Instance(); tests make their own to point at other libraries.
    CLogClient(HKEY root, const wchar_t* keyPath);
    ~CLogClient();
    CLogClient(const CLogClient&) = delete;
    CLogClient& operator=(const CLogClient&) = delete;

    bool EnsureRegistered();
    DWORD GetLogFlag(int32_t index);
    bool IsFlagOn(DWORD flag);
    DWORD RegisterLogFlag(DWORD number, const wchar_t* name);
    // Whether the loaded library has this export (by its name in the table).
    bool HasEntryPoint(const char* exportName) const;

    void LogError(const wchar_t* format, ...);
    void LogWarning(const wchar_t* format, ...);
    void LogTrace(const wchar_t* format, ...);

    // Unregisters from the library, then unloads it. Run at process exit.
    void CleanUp();

    // State for diagnostics and tests.
    bool IsLoaded() const { return static_cast<bool>(module_); }
    DWORD ClientHandle() const { return handle_; }

private:
    void LoadLibraryOnce();
    void SendIdentityName();
    void Send(int entryIndex, const wchar_t* format, va_list args);
    template <class Fn>
    Fn Entry(int index) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(entries_[index]));
    }

    HKEY root_;
    const wchar_t* keyPath_;
    tesk::UniqueLibrary module_;
    DWORD handle_ = kUnregistered;
    FARPROC entries_[kEntryPointCount] = {};
    DWORD flags_[kStandardFlagCount] = {};
};

// Guarded log calls (error records come from the error framework alone): the text is formatted and
// sent only while the level's flag is on.
template <class... Args>
void GuardedLogWarning(const wchar_t* format, Args... args) {
    CLogClient& log = CLogClient::Instance();
    if (log.IsFlagOn(log.GetLogFlag(LOG_INDEX_WARNING))) log.LogWarning(format, args...);
}
template <class... Args>
void GuardedLogTrace(const wchar_t* format, Args... args) {
    CLogClient& log = CLogClient::Instance();
    if (log.IsFlagOn(log.GetLogFlag(LOG_INDEX_TRACE))) log.LogTrace(format, args...);
}
