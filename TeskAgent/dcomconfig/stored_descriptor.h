#pragma once
// Whether bytes read from a registry value can be used as a security descriptor.

#include <windows.h>

// True for a well-formed self-relative descriptor that lies wholly inside the
// size bytes and has an owner, a group and a DACL (not a null DACL). The
// descriptor helpers edit only such a value; anything else stored under a
// permission value (a descriptor without DACL, owner or group, or plain
// garbage) is treated like a missing value, so the edit starts again from the
// default descriptor. A stored null DACL would grant everyone everything, and
// adding one entry to it would silently take that away from all others, so it
// is not edited either.
bool IsUsableStoredDescriptor(const void* data, DWORD size);
