#pragma once
// A registered command line (a LocalServer32 value) taken apart into the
// program it starts and that program's arguments, so that the agent never
// hands the system a path with a blank in it to guess from.

#include <windows.h>

#include <string>

// The executable is the quoted part when the text starts with a quote.
// Otherwise, when the text contains a blank, it is the shortest prefix that
// ends in ".exe" (any case), is followed by a blank or the end of the text and
// names an existing file; when none names one, the shortest such prefix; when
// there is no such prefix, the first blank-delimited word. Without a blank the
// whole text is the executable. The rest, without the blanks that separate it,
// are the arguments. E_INVALIDARG for a text that names no executable (empty,
// blanks only, empty quotes).
HRESULT SplitServerCommandLine(const std::wstring& registered, std::wstring& exe,
                               std::wstring& args);

// The command line that starts exe with args: the executable in quotes, then
// a blank and the arguments when there are any.
std::wstring QuotedCommandLine(const std::wstring& exe, const std::wstring& args);
