#include "host/command_line.h"

#include <windows.h>

namespace {
constexpr wchar_t kSwitchCharacters[] = L"-/";

bool IsSwitchCharacter(wchar_t c) {
    for (const wchar_t* s = kSwitchCharacters; *s; ++s)
        if (*s == c) return true;
    return false;
}
}  // namespace

const wchar_t* NextCommandToken(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    for (const wchar_t* p = text; *p; p = ::CharNextW(p)) {
        if (IsSwitchCharacter(*p)) return ::CharNextW(p);
    }
    return nullptr;
}

RegistrationSwitch FindRegistrationSwitch(const wchar_t* commandLine) {
    for (const wchar_t* token = NextCommandToken(commandLine); token;
         token = NextCommandToken(token)) {
        if (::lstrcmpiW(token, L"UnregServer") == 0) return RegistrationSwitch::UnregServer;
        if (::lstrcmpiW(token, L"RegServer") == 0) return RegistrationSwitch::RegServer;
    }
    return RegistrationSwitch::None;
}
