#pragma once
// Security identifiers of principals: the user of this process, and accounts
// named the way permission editors name them.

#include <windows.h>

#include "dcomconfig/heap_block.h"

// The longest principal name handled, terminating zero included.
constexpr size_t kPrincipalNameChars = 256;

// A heap copy of the SID of the user of the current process's token.
HRESULT GetProcessUserSid(HeapBlock& sid);

// The SID of a principal name: "account", "domain\account", "NT Authority\account".
// A leading "NT Authority\" is dropped; "Everyone" (any case) is the world SID,
// built without an account lookup; a domain account is looked up on a domain
// controller of its domain. Names of kPrincipalNameChars or more characters are
// refused with E_INVALIDARG rather than cut, which could name another account.
HRESULT LookupPrincipalSid(const wchar_t* principal, HeapBlock& sid);

// A heap copy of sid.
HRESULT CopySidToHeap(PSID source, HeapBlock& sid);
