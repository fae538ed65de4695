#include "interfaces/ClassUtilities/ClassesRootKey.h"

#include "support/registry.h"

ClassesRootKey::ClassesRootKey(const std::wstring& keyPath, const std::wstring& subkeyName) {
    std::wstring path = subkeyName.empty() ? keyPath : keyPath + L"\\" + subkeyName;
    if (FAILED(tesk::registry::Open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ, key_))) key_.reset();
}

std::wstring ClassesRootKey::GetStringValue(const wchar_t* valueName) const {
    std::wstring text;
    // A failed read (no such value, a value too long) leaves the text empty.
    if (IsOpen())
        tesk::registry::ReadString(key_.get(), valueName, kValueChars * sizeof(wchar_t), text);
    return text;
}
