#include "configurator/config_store.h"

namespace {
std::wstring KeyOf(const wchar_t* text) { return text ? text : L""; }
}  // namespace

ConfigStore& ConfigStore::Instance() {
    static ConfigStore store;
    return store;
}

ServerConfiguration& ConfigStore::ForServer(const wchar_t* serverClsIdString) {
    return servers_[KeyOf(serverClsIdString)];
}

void ConfigStore::Forget(const wchar_t* serverClsIdString) {
    servers_.erase(KeyOf(serverClsIdString));
}
