#pragma once
// The system's message for an HRESULT, computed the way the error framework
// is expected to: FormatMessageW from the system table, its line end removed,
// or the runtime's fallback wording when the system has none.

#include <windows.h>

#include <string>

namespace tesk_test {

// The raw FormatMessageW text, or false when the system has none.
bool SystemMessage(HRESULT hr, std::wstring* text);
std::wstring ExpectedErrorMessage(HRESULT hr);

}  // namespace tesk_test
