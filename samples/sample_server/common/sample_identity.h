#pragma once
// Identity of a sample TeskServer instance. One executable serves as many
// distinct TeskServers as needed: instance n gets a CLSID of its own (the
// sample's base CLSID with n in its last four hexadecimal digits), ProgIDs and
// a user-type name (which is also the name of its NT service).

#include <windows.h>
#include <comcat.h>

#include <string>

namespace tesk_sample {

constexpr unsigned kFirstInstance = 1;
constexpr unsigned kLastInstance = 0xFFFF;

// Component categories: every TeskServer registers in the first, every I/O
// plug-in in the second.
extern const CATID kTeskServerCategory;
extern const CATID kIoPluginCategory;

struct ServerIdentity {
    unsigned instance = 0;
    CLSID clsid = {};
    std::wstring clsidText;                 // "{XXXXXXXX-...}", upper case
    std::wstring progId;                    // "TeskSample.Server<n>.1"
    std::wstring versionIndependentProgId;  // "TeskSample.Server<n>"
    std::wstring userTypeName;              // "Tesk Sample Server <n>"
};

ServerIdentity IdentityOf(unsigned instance);

// True when clsid is a sample server's CLSID; gives its instance number.
bool InstanceOfClsid(const CLSID& clsid, unsigned* instance);

// The long a server answers through IServerPropertySource unless it was
// started with another value.
long DefaultPropertyValue(unsigned instance);

std::wstring GuidText(const GUID& guid);

}  // namespace tesk_sample
