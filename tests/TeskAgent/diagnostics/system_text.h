#pragma once
// The system's message for an HRESULT, computed the way the error framework
// is expected to: FormatMessageW from the system table, its line end removed,
// or the runtime's fallback wording when the system has none.

#include <windows.h>

#include <cstdio>
#include <string>

#include "support/unique_resource.h"

namespace tesk_test {

// The raw FormatMessageW text, or false when the system has none.
inline bool SystemMessage(HRESULT hr, std::wstring* text) {
    tesk::UniqueLocalMem buffer;
    DWORD chars = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    if (!buffer) return false;
    text->assign(static_cast<const wchar_t*>(buffer.get()), chars);
    return true;
}

inline std::wstring ExpectedErrorMessage(HRESULT hr) {
    std::wstring text;
    if (SystemMessage(hr, &text)) {
        if (text.size() > 1 && text.back() == L'\n') {
            text.pop_back();
            if (!text.empty() && text.back() == L'\r') text.pop_back();
        }
        return text;
    }
    wchar_t fallback[32];
    unsigned long code = static_cast<unsigned long>(hr);
    if (code >= 0x80040200 && code <= 0x8004FFFF)
        std::swprintf(fallback, 32, L"IDispatch error #%d", static_cast<int>(code & 0xFFFF) - 512);
    else
        std::swprintf(fallback, 32, L"Unknown error 0x%0lX", code);
    return fallback;
}

}  // namespace tesk_test
