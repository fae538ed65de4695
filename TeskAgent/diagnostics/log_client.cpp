#include "diagnostics/log_client.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "diagnostics/install_path_value.h"
#include "diagnostics/logger_entry_points.h"
#include "support/unique_resource.h"

namespace {

// Entry point shapes: arguments on the stack, caller cleans up.
using RegisterClientFn = DWORD(__cdecl*)(DWORD* handle);
using HandleFn = DWORD(__cdecl*)(DWORD handle);
using SetIdentityFn = DWORD(__cdecl*)(DWORD handle, const wchar_t* name);
using RegisterFlagFn = DWORD(__cdecl*)(DWORD handle, DWORD number, const wchar_t* name);
using LogTextFn = DWORD(__cdecl*)(DWORD handle, const wchar_t* text);
using GetLogFlagFn = DWORD(__cdecl*)(DWORD handle, DWORD index);
using FlagLogFn = DWORD(__cdecl*)(DWORD handle, DWORD flag, DWORD reserved);

static_assert(LOGGER_ENTRY_POINT_COUNT == CLogClient::kEntryPointCount, "one address per entry point");

}  // namespace

CLogClient& CLogClient::Instance() {
    // A function-local static: its destructor (the clean-up) is registered to
    // run at process exit when it is first constructed.
    static CLogClient client(HKEY_LOCAL_MACHINE, TESK_LOGGER_KEY);
    return client;
}

CLogClient::CLogClient(HKEY root, const wchar_t* keyPath) : root_(root), keyPath_(keyPath) {}

CLogClient::~CLogClient() { CleanUp(); }

void CLogClient::LoadLibraryOnce() {
    if (module_) return;
    std::wstring path;
    DWORD type = REG_NONE;
    const bool haveFolder = SUCCEEDED(ReadInstallPathValue(root_, keyPath_, path, type)) &&
                            (type == REG_SZ || type == REG_EXPAND_SZ) && !path.empty();
    if (!haveFolder)
        path.clear();
    else if (path.back() != L'\\')
        path += L'\\';
    path += kLoggerLibraryName;

    module_.reset(::LoadLibraryW(path.c_str()));
    if (!module_) return;
    for (int i = 0; i < kEntryPointCount; ++i)
        entries_[i] = ::GetProcAddress(module_.get(), kLoggerEntryPointNames[i]);
}

bool CLogClient::EnsureRegistered() {
    if (handle_ != kUnregistered) return true;
    LoadLibraryOnce();
    if (module_ && entries_[LOGGER_REGISTERLOGGERCLIENT])
        Entry<RegisterClientFn>(LOGGER_REGISTERLOGGERCLIENT)(&handle_);
    if (handle_ == kUnregistered) return false;
    SendIdentityName();
    return true;
}

void CLogClient::SendIdentityName() {
    wchar_t path[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name;
    WIN32_FIND_DATAW found = {};
    tesk::UniqueFindHandle find(::FindFirstFileW(path, &found));
    if (find) {
        // The name as stored on disk, so its letter case is the file's own.
        wchar_t baseName[_MAX_FNAME] = {};
        ::_wsplitpath(found.cFileName, nullptr, nullptr, baseName, nullptr);
        name = baseName;
    } else {
        name = std::wstring(path) + L" - Invalid Name";
    }
    if (entries_[LOGGER_SETIDENTITYNAME])
        Entry<SetIdentityFn>(LOGGER_SETIDENTITYNAME)(handle_, name.c_str());
}

DWORD CLogClient::GetLogFlag(int32_t index) {
    if (index < 0 || index >= kStandardFlagCount) return 0;
    if (flags_[index] != 0) return flags_[index];
    if (!EnsureRegistered() || !entries_[LOGGER_LOGSTART] ||
        Entry<HandleFn>(LOGGER_LOGSTART)(handle_) == 0 || !entries_[LOGGER_GETLOGFLAG])
        return 0;
    auto getLogFlag = Entry<GetLogFlagFn>(LOGGER_GETLOGFLAG);
    for (int i = 0; i < kStandardFlagCount; ++i)
        flags_[i] = getLogFlag(handle_, static_cast<DWORD>(i));
    return flags_[index];
}

bool CLogClient::IsFlagOn(DWORD flag) {
    if (!EnsureRegistered() || !entries_[LOGGER_LOGFLAGLOG]) return false;
    // Only the low byte carries the answer.
    return static_cast<BYTE>(Entry<FlagLogFn>(LOGGER_LOGFLAGLOG)(handle_, flag, 0)) != 0;
}

DWORD CLogClient::RegisterLogFlag(DWORD number, const wchar_t* name) {
    if (!EnsureRegistered() || !entries_[LOGGER_REGISTERLOGFLAG]) return 0;
    return Entry<RegisterFlagFn>(LOGGER_REGISTERLOGFLAG)(handle_, number, name);
}

bool CLogClient::HasEntryPoint(const char* exportName) const {
    if (!exportName) return false;
    for (int i = 0; i < kEntryPointCount; ++i) {
        if (std::strcmp(kLoggerEntryPointNames[i], exportName) == 0)
            return entries_[i] != nullptr;
    }
    return false;
}

void CLogClient::Send(int entryIndex, const wchar_t* format, va_list args) {
    if (!EnsureRegistered() || !entries_[entryIndex] || !format) return;
    wchar_t text[kRecordChars];
    // A text of kRecordChars or more is cut: the runtime leaves it unterminated.
    if (::_vsnwprintf(text, kRecordChars, format, args) < 0) text[kRecordChars - 1] = L'\0';
    text[kRecordChars - 1] = L'\0';
    Entry<LogTextFn>(entryIndex)(handle_, text);
}

void CLogClient::LogError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Send(LOGGER_LOGERROR, format, args);
    va_end(args);
}

void CLogClient::LogWarning(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Send(LOGGER_LOGWARNING, format, args);
    va_end(args);
}

void CLogClient::LogTrace(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Send(LOGGER_LOGTRACE, format, args);
    va_end(args);
}

void CLogClient::CleanUp() {
    if (handle_ != kUnregistered) {
        if (entries_[LOGGER_UNREGISTERLOGGERCLIENT])
            Entry<HandleFn>(LOGGER_UNREGISTERLOGGERCLIENT)(handle_);
        handle_ = kUnregistered;
    }
    // When the library cannot be freed, it and its entry points are kept.
    if (module_ && ::FreeLibrary(module_.get())) {
        module_.release();
        for (FARPROC& entry : entries_) entry = nullptr;
    }
    for (DWORD& flag : flags_) flag = 0;
}
