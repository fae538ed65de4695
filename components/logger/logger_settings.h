#pragma once
// The configuration an administrator edits under
// HKLM\SOFTWARE\Quellix\Framework\Logger (see README.md): which flags are on
// and where the log file goes, for all clients or per identity name.

#include <windows.h>

#include <map>
#include <string>

#include "logger/flag_names.h"
#include "logger/log_file.h"
#include "support/unique_resource.h"

namespace tracemill {

constexpr const wchar_t kLoggerKey[] = L"SOFTWARE\\Quellix\\Framework\\Logger";
constexpr const wchar_t kClientsKey[] = L"Clients";
constexpr const wchar_t kFlagsValue[] = L"Flags";
constexpr const wchar_t kLogFolderValue[] = L"LogFolder";
constexpr const wchar_t kLogFileName[] = L"Tracemill.log";
constexpr const wchar_t kMaxFileSizeValue[] = L"MaxFileSize";
constexpr const wchar_t kKeptFilesValue[] = L"KeptFiles";
// More old files than this are never kept, whatever the configuration says.
constexpr DWORD kMostKeptFiles = 99;

struct IdentitySettings {
    FlagSelection flags;
    std::wstring logFolder;  // empty: records of this identity are not written
    RotationLimits rotation;
};

class LoggerSettings {
public:
    static LoggerSettings& Get();

    // The settings that apply to an identity name: its own values under
    // Clients\<identity> where they exist, else those for all clients.
    IdentitySettings For(const std::wstring& identity);

private:
    LoggerSettings() = default;
    bool ChangedSinceRead();
    void Watch();

    SRWLOCK lock_ = SRWLOCK_INIT;
    tesk::UniqueRegKey watchedKey_;
    tesk::UniqueKernelHandle changed_;
    bool watching_ = false;
    std::map<std::wstring, IdentitySettings> cache_;  // by lower-case identity
};

}  // namespace tracemill
