#pragma once
// The agent process's one connection to the Service Control Manager of the
// local machine. Every call to the manager is a round trip to another
// process, so the connection is opened when first needed and kept; a call
// that fails because the connection is gone opens it again and is repeated
// once. Only the apartment thread uses it.

#include <windows.h>

#include <string>
#include <unordered_set>

#include "support/unique_resource.h"

namespace service_manager {

// Opens the named service with `access`; empty when there is no such service,
// it may not be opened, or the manager cannot be reached.
tesk::UniqueServiceHandle OpenService(const wchar_t* serviceName, DWORD access);

// False when the manager cannot be reached at all.
bool IsReachable();

// The names of all installed services, upper-cased, fetched in one call.
class InstalledServices {
public:
    // Fetches the names; when that fails, every name counts as possibly
    // installed and is looked up one by one.
    InstalledServices();

    bool MayExist(const wchar_t* serviceName) const;

private:
    bool complete_ = false;
    std::unordered_set<std::wstring> names_;
};

}  // namespace service_manager
