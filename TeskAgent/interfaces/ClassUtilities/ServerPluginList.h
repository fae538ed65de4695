#pragma once
// The I/O plug-ins installed on the machine: the COM classes registered as
// implementing the plug-in component category.

#include <windows.h>
#include <comcat.h>

namespace TeskAgentHelpers {

// {8BEF444A-77C0-49DA-8023-085116CA8E93}
extern const CATID CATID_TeskServerIOPlugin;

// The plug-in CLSIDs in enumeration order, in an array this call allocates and
// FreeServerIOPluginList releases. A category manager that cannot be created
// or enumerated is told to the debugger only and gives an empty list with S_OK.
HRESULT GetServerIOPluginList(LONG* count, CLSID** clsids);

// Frees an array from GetServerIOPluginList and zeroes both; always S_OK.
HRESULT FreeServerIOPluginList(LONG* count, CLSID** clsids);

// Holds the list for one scope and frees it on every way out.
class ServerIOPluginList {
public:
    ServerIOPluginList() = default;
    ~ServerIOPluginList() { FreeServerIOPluginList(&count_, &clsids_); }
    ServerIOPluginList(const ServerIOPluginList&) = delete;
    ServerIOPluginList& operator=(const ServerIOPluginList&) = delete;

    HRESULT Fill() { return GetServerIOPluginList(&count_, &clsids_); }
    const CLSID* begin() const { return clsids_; }
    const CLSID* end() const { return clsids_ ? clsids_ + count_ : clsids_; }

private:
    LONG count_ = 0;
    CLSID* clsids_ = nullptr;
};

}  // namespace TeskAgentHelpers
