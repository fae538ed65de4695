#include "stress/expected_answers.h"

#include <cstring>

namespace stress {

namespace {

// Input classes: "valid" is a well-formed call on this client's own entry;
// "unknown" a well-formed name or key that nothing is registered under; the
// rest are malformed arguments (hostile_inputs.h).
const ExpectedAnswer kRows[] = {
    {"TeskRotRegister", "valid", S_OK},
    {"TeskRotRegister", "replacing", S_OK},
    {"TeskRotRegister", "64K key", S_OK},
    {"TeskRotRegister", "embedded-null key", S_OK},
    {"TeskRotRegister", "wrong VARIANT type", E_INVALIDARG},
    {"TeskRotGetActiveObject", "valid", S_OK},
    {"TeskRotGetActiveObject", "unknown", E_FAIL},
    {"TeskRotGetActiveObject", "null", E_FAIL},
    {"TeskRotGetActiveObject", "64K key", S_OK},
    {"TeskRotUnRegister", "valid", S_OK},
    {"TeskRotUnRegister", "unknown", S_OK},
    {"TeskRotUnRegister", "null", S_OK},
    {"GetInstalledServers", "valid", S_OK},
    {"GetActiveConfigFile", "unknown", S_OK},
    {"GetActiveConfigFile", "malformed name", S_OK},
    {"GetTeskAgentOnRemoteNode", "this node", S_OK},
    {"Connect", "valid", S_OK},
    {"Connect", "unknown", MK_E_UNAVAILABLE},
    {"Connect", "malformed name", E_FAIL},
    {"IsServerActive", "unknown", S_OK},
    {"IsServerActive", "malformed name", S_OK},
    {"StartServer", "malformed name", E_FAIL},
    {"StopServer", "malformed name", E_FAIL},
    {"ConfigureNTService", "malformed name", E_FAIL},
    {"GetConfigurator", "valid", S_OK},
    {"GetTeskServerPluginProgIDs", "valid", S_OK},
    {"GetTeskServerProperties", "valid", S_OK},
    {"GetTeskServerProperties", "extreme lower bound", S_OK},
    {"GetTeskServerProperties", "empty array", S_OK},
    {"GetTeskServerProperties", "huge count", S_OK},
    {"GetTeskServerProperties", "null array", E_POINTER},
    {"GetTeskServerProperties", "wrong element type", E_POINTER},
    {"GetTeskServerProperties", "two dimensions", E_POINTER},
    {"GetTeskServerProperties", "wrapping bounds", E_POINTER},
    {"GetVersionAttributes", "valid", S_OK},
    {"GetVersionAttributes", "huge count", S_OK},
    {"GetVersionAttributes", "malformed server type", E_POINTER},
    {"GetVersionAttributes", "null array", E_POINTER},
    {"GetVersionAttributes", "wrong element type", E_POINTER},
    {"GetVersionAttributes", "two dimensions", E_POINTER},
    {"GetVersionAttributes", "wrapping bounds", E_POINTER},
    {"GetIDsOfNames", "valid", S_OK},
    {"GetIDsOfNames", "unknown", DISP_E_UNKNOWNNAME},
    {"Invoke", "malformed name", DISP_E_EXCEPTION},
    {"Invoke", "missing argument", DISP_E_BADPARAMCOUNT},
};

}  // namespace

const ExpectedAnswer* FindExpected(const char* method, const char* input) {
    for (const ExpectedAnswer& row : kRows)
        if (std::strcmp(row.method, method) == 0 && std::strcmp(row.input, input) == 0)
            return &row;
    return nullptr;
}

const ExpectedAnswer* ExpectedRows(size_t* count) {
    *count = sizeof(kRows) / sizeof(kRows[0]);
    return kRows;
}

}  // namespace stress
