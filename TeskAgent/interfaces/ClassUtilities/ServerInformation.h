#pragma once
// The answers of ITeskServerInfo: the machine's I/O plug-ins, numbered server
// properties and version attributes of a server's modules. Missing or
// wrong-typed arguments are returned as E_POINTER; the failure of a single
// requested element only shows in its entry of the error array.

#include <windows.h>
#include <oleauto.h>

#include "TeskAgent_h.h"

namespace TeskAgentHelpers {

// The ProgIDs of all plug-in classes that have one.
HRESULT ListPluginProgIds(SAFEARRAY** progIds);

// One value and one HRESULT per requested property ID (a long array). The
// running server's property is reached through the agent's own Connect.
HRESULT ReadServerProperties(ITesk_Agent* agent, BSTR serverName, SAFEARRAY* propertyIds,
                             SAFEARRAY** values, SAFEARRAY** errors);

// One string and one HRESULT per requested attribute name (a string array) of
// the server's "LOCAL" or "INPROC" module.
HRESULT ReadVersionAttributes(BSTR serverName, BSTR serverType, SAFEARRAY* attributeNames,
                              SAFEARRAY** attributes, SAFEARRAY** errors);

// Attribute and property strings are cut to fit buffers of this many characters.
constexpr int kAttributeChars = 512;

}  // namespace TeskAgentHelpers
