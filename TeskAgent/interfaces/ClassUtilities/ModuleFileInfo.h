#pragma once
// Reading a file's version resource and its date in the file system.

#include <windows.h>

namespace TeskAgentHelpers {

// The string `name` (null: "FileVersion") of the file's version resource, in
// its U.S. English, Unicode block (040904b0), cut to bufferChars - 1
// characters. E_FAIL, and an empty buffer, when the file has no such string.
HRESULT GetFileVersionString(const wchar_t* path, const wchar_t* name, wchar_t* buffer,
                             int bufferChars);

// The file's creation date in local time, formatted for the system default
// locale with `format` (null: the locale's long date). S_OK or E_FAIL.
HRESULT GetFileCreationDate(const wchar_t* path, wchar_t* buffer, int bufferChars,
                            const wchar_t* format);

}  // namespace TeskAgentHelpers
