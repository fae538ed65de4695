#pragma once
// A key under HKEY_CLASSES_ROOT opened for reading only, in one registry view:
// the server lookups never write a TeskServer's registration.

#include <windows.h>

#include <string>

#include "support/unique_resource.h"

class ClassesRootKey {
public:
    // Opens keyPath, or keyPath\subkeyName when subkeyName is not empty, in the
    // view that `view` names (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
    ClassesRootKey(const std::wstring& keyPath, const std::wstring& subkeyName, REGSAM view);

    bool IsOpen() const { return static_cast<bool>(key_); }
    HKEY get() const { return key_.get(); }

    // The value's text (empty name: the default value). A closed key, a missing
    // value or a value of 256 characters or more reads as the empty string.
    std::wstring GetStringValue(const wchar_t* valueName) const;

    // The longest value read, terminator included.
    static constexpr DWORD kValueChars = 256;

private:
    tesk::UniqueRegKey key_;
};

// The machine's classes key (HKLM\Software\Classes) in the 32-bit view, opened
// once for the process; null when it cannot be opened. Keys below it open in
// that view without a flag.
HKEY MachineClassesKey32();
