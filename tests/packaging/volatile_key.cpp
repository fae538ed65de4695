// Test fixture: creates a volatile registry key, under which nothing lasting
// can be created (ERROR_CHILD_MUST_BE_VOLATILE). The package tests put one
// where the agent's registration writes, to make that step fail.
//   volatile_key <key below HKEY_CLASSES_ROOT>

#include <windows.h>

#include "support/unique_resource.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    tesk::UniqueRegKey key;
    return ::RegCreateKeyExW(HKEY_CLASSES_ROOT, argv[1], 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                             nullptr, key.put(), nullptr) == ERROR_SUCCESS
               ? 0
               : 1;
}
