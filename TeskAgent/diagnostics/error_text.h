#pragma once
// Pieces of the record text of an error, shared by com_error_dbg and its tests.

#include <windows.h>

#include <string>

namespace com_eh {

// Drops a trailing line feed (and a carriage return just before it) from a
// system message longer than one character.
void TrimMessageEnd(wchar_t* text);

// The text used when the system has no message for hr, in a 64-byte block of
// local memory (null when even that cannot be had).
wchar_t* FallbackMessage(HRESULT hr);

// " at line <line> in <name> (in <folder>)" for a source path; the path is
// split by the runtime's rules and turned into wide text with the ANSI code page.
std::wstring PositionText(const char* file, int line);

}  // namespace com_eh
