#pragma once
// What the configurator keeps, per TeskServer (named by its CLSID string as
// the client passes it): the configuration and rule file names, the data
// objects and the system object. The store lives in memory for as long as the
// configurator process runs and is shared by all its objects; nothing is
// written to disk.

#include <map>
#include <string>

#include "configurator/property_set.h"

struct DataObject {
    std::wstring type;
    PropertySet properties;
};

struct ServerConfiguration {
    std::wstring configFileName;
    std::wstring ruleFileName;
    std::map<std::wstring, DataObject> dataObjects;  // ordered by name
    bool hasSystemObject = false;
    PropertySet systemObject;
};

// The configurator runs its objects on one apartment thread, so the store
// needs no lock.
class ConfigStore {
public:
    static ConfigStore& Instance();
    ServerConfiguration& ForServer(const wchar_t* serverClsIdString);
    void Forget(const wchar_t* serverClsIdString);

private:
    std::map<std::wstring, ServerConfiguration> servers_;
};
