#include "logger/client_table.h"

#include <cwchar>

#include "logger/exclusive_lock.h"
#include "logger/flag_names.h"

namespace tracemill {

ClientTable& ClientTable::Get() {
    static ClientTable table;
    return table;
}

Client* ClientTable::Lookup(DWORD handle) {
    auto found = clients_.find(handle);
    return found == clients_.end() ? nullptr : &found->second;
}

DWORD ClientTable::Register() {
    ExclusiveLock hold(lock_);
    // Handles are never reused within the process, and never the invalid value.
    if (nextHandle_ == kInvalidHandle) return kInvalidHandle;
    DWORD handle = nextHandle_++;
    clients_[handle] = Client();
    return handle;
}

bool ClientTable::Unregister(DWORD handle) {
    ExclusiveLock hold(lock_);
    return clients_.erase(handle) != 0;
}

bool ClientTable::Find(DWORD handle, Client* copy) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client) return false;
    if (copy) *copy = *client;
    return true;
}

bool ClientTable::SetIdentity(DWORD handle, const std::wstring& identity) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client || identity.empty()) return false;
    client->identity = identity;
    return true;
}

bool ClientTable::SetStarted(DWORD handle, bool started) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client) return false;
    client->started = started;
    return true;
}

DWORD ClientTable::AddInstance(DWORD handle, const std::wstring& name) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client || name.empty() || client->nextInstance == 0) return 0;
    DWORD instance = client->nextInstance++;
    client->instances[instance] = name;
    return instance;
}

bool ClientTable::RemoveInstance(DWORD handle, DWORD instance) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    return client && client->instances.erase(instance) != 0;
}

bool ClientTable::RemoveInstance(DWORD handle, const std::wstring& name) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client) return false;
    for (auto it = client->instances.begin(); it != client->instances.end(); ++it) {
        if (::_wcsicmp(it->second.c_str(), name.c_str()) == 0) {
            client->instances.erase(it);
            return true;
        }
    }
    return false;
}

DWORD ClientTable::RegisterFlag(DWORD handle, DWORD number, const std::wstring& name) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client || name.empty() || number < kFirstRegisteredFlag || number > kLastRegisteredFlag)
        return 0;
    client->registeredFlags[number] = name;
    return FlagValue(number);
}

DWORD ClientTable::RegisterFlag(DWORD handle, const std::wstring& name) {
    ExclusiveLock hold(lock_);
    Client* client = Lookup(handle);
    if (!client || name.empty()) return 0;
    for (const auto& flag : client->registeredFlags) {
        if (::_wcsicmp(flag.second.c_str(), name.c_str()) == 0) return FlagValue(flag.first);
    }
    for (DWORD number = kFirstRegisteredFlag; number <= kLastRegisteredFlag; ++number) {
        if (client->registeredFlags.count(number) == 0) {
            client->registeredFlags[number] = name;
            return FlagValue(number);
        }
    }
    return 0;
}

}  // namespace tracemill
