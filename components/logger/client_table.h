#pragma once
// The clients of the logger in this process: each registered client has a
// handle, an identity name, instance names and the flags it registered.

#include <windows.h>

#include <map>
#include <string>

namespace tracemill {

constexpr DWORD kInvalidHandle = 0xFFFFFFFF;

struct Client {
    std::wstring identity;
    bool started = true;                           // LOGSTOP pauses, LOGSTART resumes
    std::map<DWORD, std::wstring> instances;       // instance number -> name
    std::map<DWORD, std::wstring> registeredFlags;  // flag number -> name
    DWORD nextInstance = 1;
};

// All operations take the table's lock for their whole duration; a copy of a
// client is handed out so that no reference outlives the lock.
class ClientTable {
public:
    static ClientTable& Get();

    DWORD Register();
    bool Unregister(DWORD handle);
    bool Find(DWORD handle, Client* copy);

    bool SetIdentity(DWORD handle, const std::wstring& identity);
    bool SetStarted(DWORD handle, bool started);
    DWORD AddInstance(DWORD handle, const std::wstring& name);
    bool RemoveInstance(DWORD handle, DWORD instance);
    bool RemoveInstance(DWORD handle, const std::wstring& name);
    // Registers (or renames) flag number for the client; returns its value or 0.
    DWORD RegisterFlag(DWORD handle, DWORD number, const std::wstring& name);
    // Registers a flag by name at the first free number; an already
    // registered name keeps its number.
    DWORD RegisterFlag(DWORD handle, const std::wstring& name);

private:
    ClientTable() = default;
    Client* Lookup(DWORD handle);

    SRWLOCK lock_ = SRWLOCK_INIT;
    std::map<DWORD, Client> clients_;
    DWORD nextHandle_ = 1;
};

}  // namespace tracemill
