#pragma once
// Security descriptors stored as REG_BINARY registry values (the launch and
// access permissions of a DCOM AppID), and the grant and removal of a
// principal's entry in their DACL. Every entry added carries mask 1, the COM
// execute right. Descriptors handed out are heap blocks.

#include <windows.h>

#include "dcomconfig/heap_block.h"

constexpr DWORD kComExecuteAccess = 1;

// Writes the descriptor as a REG_BINARY value of its own length, creating the key.
HRESULT WriteRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                        PSECURITY_DESCRIPTOR descriptor);

// Reads a stored descriptor. When nothing usable is stored (no key, no value,
// an unreadable value, or a value that IsUsableStoredDescriptor rejects) the
// result is a new default descriptor and isNewDefault is set.
HRESULT ReadRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                       HeapBlock& descriptor, bool& isNewDefault);

// An absolute descriptor whose owner and group are the process user and whose
// DACL allows that user mask 1 and nothing else; no SACL.
HRESULT CreateDefaultSD(HeapBlock& descriptor);

// The absolute form of a self-relative descriptor, in one block of its own
// (owner, group and ACLs copied), so it outlives the self-relative one.
HRESULT ConvertToAbsoluteSD(PSECURITY_DESCRIPTOR selfRelative, HeapBlock& absolute);

// Adds an access-allowed entry (permit) behind, or an access-denied entry in
// front of, the stored DACL's entries; the first addition to an AppID also
// grants "NT Authority\SYSTEM" unless that is the principal itself.
HRESULT AddPrincipalToRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                 const wchar_t* principal, bool permit);

// Deletes every entry of the principal from the stored DACL; writes nothing
// when nothing usable is stored.
HRESULT RemovePrincipalFromRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                      const wchar_t* principal);
