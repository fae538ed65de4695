// The logger library's 40 entry points (cdecl, exported by name through
// Tracemill.def). Handles are the 32-bit values REGISTERLOGGERCLIENT hands
// out; 0xFFFFFFFF is never a handle. Every entry point accepts bad input
// (unknown handles, null texts) and answers 0 for it; no C++ exception
// ever leaves the library.

#include <windows.h>

#include <string>

#include "logger/client_table.h"
#include "logger/flag_names.h"
#include "logger/log_file.h"
#include "logger/logger_settings.h"
#include "logger/record_line.h"

namespace tracemill {
namespace {

constexpr DWORD kNoInstance = 0;

template <class Fn>
DWORD Guarded(Fn&& fn) noexcept {
    try {
        return fn();
    } catch (...) {
        return 0;
    }
}

std::wstring Text(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

std::wstring FromAnsi(const char* text) {
    if (!text || !*text) return {};
    int chars = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (chars <= 1) return {};
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], chars);
    wide.resize(static_cast<size_t>(chars - 1));
    return wide;
}

// The name of the flag behind bit number n of a flag value, for this client.
std::wstring FlagName(const Client& client, DWORD number) {
    if (number < kStandardFlagCount) return StandardFlagName(number);
    auto found = client.registeredFlags.find(number);
    return found == client.registeredFlags.end() ? std::wstring() : found->second;
}

// The first flag of the value that is on for the client, or -1.
int FirstFlagOn(const Client& client, const IdentitySettings& settings, DWORD flag) {
    for (DWORD number = 0; number <= kLastRegisteredFlag; ++number) {
        if ((flag & FlagValue(number)) && settings.flags.Contains(FlagName(client, number)))
            return static_cast<int>(number);
    }
    return -1;
}

DWORD IsOn(DWORD handle, DWORD flag) {
    Client client;
    if (!ClientTable::Get().Find(handle, &client) || !client.started) return FALSE;
    return FirstFlagOn(client, LoggerSettings::Get().For(client.identity), flag) >= 0;
}

// Writes one record under a flag, when that flag is on for the client.
DWORD Record(DWORD handle, DWORD instance, DWORD flag, const std::wstring& text) {
    Client client;
    if (!ClientTable::Get().Find(handle, &client) || !client.started) return FALSE;
    IdentitySettings settings = LoggerSettings::Get().For(client.identity);
    int number = FirstFlagOn(client, settings, flag);
    if (number < 0) return FALSE;

    std::wstring level = FlagName(client, static_cast<DWORD>(number));
    if (number < static_cast<int>(kStandardFlagCount))
        ::CharUpperBuffW(&level[0], static_cast<DWORD>(level.size()));
    std::wstring identity = client.identity;
    auto named = client.instances.find(instance);
    if (instance != kNoInstance && named != client.instances.end())
        identity += L"/" + named->second;

    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return AppendLine(settings.logFolder,
                      FormatRecordLine(now, ::GetCurrentProcessId(), ::GetCurrentThreadId(),
                                       identity, level, text.c_str()),
                      settings.rotation);
}

DWORD CopyOut(const std::wstring& text, wchar_t* buffer, DWORD chars) {
    if (!buffer || chars == 0) return FALSE;
    size_t count = text.size() < chars ? text.size() : chars - 1;
    text.copy(buffer, count);
    buffer[count] = L'\0';
    return count == text.size();
}

}  // namespace
}  // namespace tracemill

using namespace tracemill;

#define TRACEMILL_API extern "C" DWORD __cdecl

// Client registration.
TRACEMILL_API REGISTERLOGGERCLIENT(DWORD* handle) {
    return Guarded([&]() -> DWORD {
        if (!handle) return FALSE;
        *handle = ClientTable::Get().Register();
        return *handle != kInvalidHandle;
    });
}
TRACEMILL_API UNREGISTERLOGGERCLIENT(DWORD handle) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().Unregister(handle); });
}
TRACEMILL_API LOGSTART(DWORD handle) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().SetStarted(handle, true); });
}
TRACEMILL_API LOGSTOP(DWORD handle) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().SetStarted(handle, false); });
}

// Names.
TRACEMILL_API SETIDENTITYNAME(DWORD handle, const wchar_t* name) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().SetIdentity(handle, Text(name)); });
}
TRACEMILL_API GETIDENTITYNAME(DWORD handle, wchar_t* buffer, DWORD chars) {
    return Guarded([&]() -> DWORD {
        Client client;
        return ClientTable::Get().Find(handle, &client) && CopyOut(client.identity, buffer, chars);
    });
}
TRACEMILL_API ADDINSTANCENAME(DWORD handle, const wchar_t* name) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().AddInstance(handle, Text(name)); });
}
TRACEMILL_API REMOVEINSTANCENAME(DWORD handle, DWORD instance) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().RemoveInstance(handle, instance); });
}
TRACEMILL_API REMOVEINSTANCENAME1(DWORD handle, const wchar_t* name) {
    return Guarded(
        [&]() -> DWORD { return ClientTable::Get().RemoveInstance(handle, Text(name)); });
}
TRACEMILL_API GETINSTANCENAME(DWORD handle, DWORD instance, wchar_t* buffer, DWORD chars) {
    return Guarded([&]() -> DWORD {
        Client client;
        if (!ClientTable::Get().Find(handle, &client)) return FALSE;
        auto found = client.instances.find(instance);
        return found != client.instances.end() && CopyOut(found->second, buffer, chars);
    });
}

// Flags.
TRACEMILL_API GETLOGFLAG(DWORD handle, DWORD index) {
    return Guarded([&]() -> DWORD {
        return index < kStandardFlagCount && ClientTable::Get().Find(handle, nullptr)
                   ? FlagValue(index)
                   : 0;
    });
}
TRACEMILL_API REGISTERLOGFLAG(DWORD handle, DWORD number, const wchar_t* name) {
    return Guarded(
        [&]() -> DWORD { return ClientTable::Get().RegisterFlag(handle, number, Text(name)); });
}
TRACEMILL_API REGISTERLOGFLAGEX(DWORD handle, const wchar_t* name) {
    return Guarded([&]() -> DWORD { return ClientTable::Get().RegisterFlag(handle, Text(name)); });
}
TRACEMILL_API LOGFLAGLOG(DWORD handle, DWORD flag, DWORD /*reserved*/) {
    return Guarded([&]() -> DWORD { return IsOn(handle, flag); });
}

// Records of the standard levels: LOGxxx(handle, text) and, for a named
// instance of the client, LOGxxx1(handle, instance, text).
#define TRACEMILL_LEVEL(NAME, FLAG)                                                         \
    TRACEMILL_API NAME(DWORD handle, const wchar_t* text) {                                 \
        return Guarded(                                                                     \
            [&]() -> DWORD { return Record(handle, kNoInstance, FlagValue(FLAG), Text(text)); }); \
    }                                                                                       \
    TRACEMILL_API NAME##1(DWORD handle, DWORD instance, const wchar_t* text) {              \
        return Guarded(                                                                     \
            [&]() -> DWORD { return Record(handle, instance, FlagValue(FLAG), Text(text)); }); \
    }

TRACEMILL_LEVEL(LOGERROR, FLAG_ERROR)
TRACEMILL_LEVEL(LOGWARNING, FLAG_WARNING)
TRACEMILL_LEVEL(LOGINFO, FLAG_INFO)
TRACEMILL_LEVEL(LOGTRACE, FLAG_TRACE)
TRACEMILL_LEVEL(LOGSTARTSTOP, FLAG_STARTSTOP)
TRACEMILL_LEVEL(LOGENTRYEXIT, FLAG_ENTRYEXIT)
TRACEMILL_LEVEL(LOGTHREADSTARTSTOP, FLAG_THREADSTARTSTOP)
TRACEMILL_LEVEL(LOGSQL, FLAG_SQL)
TRACEMILL_LEVEL(LOGCONNECTION, FLAG_CONNECTION)
TRACEMILL_LEVEL(LOGCTORDTOR, FLAG_CTORDTOR)
TRACEMILL_LEVEL(LOGREFCOUNT, FLAG_REFCOUNT)

// Records under any flag value (standard or registered): wide text, wide text
// for an instance, ANSI text, ANSI text for an instance.
TRACEMILL_API LOGCUSTOM(DWORD handle, DWORD flag, const wchar_t* text) {
    return Guarded([&]() -> DWORD { return Record(handle, kNoInstance, flag, Text(text)); });
}
TRACEMILL_API LOGCUSTOM1(DWORD handle, DWORD instance, DWORD flag, const wchar_t* text) {
    return Guarded([&]() -> DWORD { return Record(handle, instance, flag, Text(text)); });
}
TRACEMILL_API LOGCUSTOM2(DWORD handle, DWORD flag, const char* text) {
    return Guarded([&]() -> DWORD { return Record(handle, kNoInstance, flag, FromAnsi(text)); });
}
TRACEMILL_API LOGCUSTOM3(DWORD handle, DWORD instance, DWORD flag, const char* text) {
    return Guarded([&]() -> DWORD { return Record(handle, instance, flag, FromAnsi(text)); });
}
