#pragma once
// Entry-by-entry editing of access-control lists. Every entry added here is
// for a principal name (see LookupPrincipalSid); ACLs handed out are heap blocks.

#include <windows.h>

#include "dcomconfig/heap_block.h"

// Appends every entry of source to destination, in order.
HRESULT CopyAclEntries(PACL source, PACL destination);

// A new ACL with the same entries as source, sized to hold exactly them.
HRESULT DuplicateAcl(PACL source, HeapBlock& copy);

// Replace acl by a new ACL with an access-allowed entry for the principal
// behind all old entries (allowed), or an access-denied entry in front of them
// (denied). On failure acl is left as it was.
HRESULT AddAllowedEntry(HeapBlock& acl, DWORD accessMask, const wchar_t* principal);
HRESULT AddDeniedEntry(HeapBlock& acl, DWORD accessMask, const wchar_t* principal);

// Deletes, in place, every access-allowed, access-denied and system-audit entry
// whose SID is the principal's.
HRESULT RemovePrincipalEntries(PACL acl, const wchar_t* principal);

// Whether an access-allowed, access-denied or system-audit entry names the
// principal; false when the name does not resolve.
bool IsPrincipalInAcl(PACL acl, const wchar_t* principal);
