#pragma once
// The command-line scan of the entry point.

enum class RegistrationSwitch { None, RegServer, UnregServer };

// The text after the next switch character ("-" or "/") in text, or null when
// text is null, empty or holds no switch character.
const wchar_t* NextCommandToken(const wchar_t* text);

// Scans the whole command line, program path included. Each switch is compared
// together with everything after it up to the end of the line, so only a switch
// that ends the command line can match.
RegistrationSwitch FindRegistrationSwitch(const wchar_t* commandLine);
