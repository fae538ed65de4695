#pragma once
// A list of named properties as the configurator's Set and Get methods pass
// them: parallel arrays of keys and values with their count.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/unique_resource.h"

class PropertySet {
public:
    // Copies count keys and values; a null key is the empty name. Fails with
    // E_POINTER when count is not 0 and an array is missing.
    HRESULT Assign(ULONG count, const BSTR* keys, const VARIANT* values);
    // New task-memory arrays of copies for a caller; count 0 gives null arrays.
    // Nothing is handed out unless everything was copied.
    HRESULT CopyOut(ULONG* count, BSTR** keys, VARIANT** values) const;
    size_t size() const { return keys_.size(); }

private:
    std::vector<std::wstring> keys_;
    std::vector<std::shared_ptr<tesk::UniqueVariant>> values_;  // shared: values never change
};
