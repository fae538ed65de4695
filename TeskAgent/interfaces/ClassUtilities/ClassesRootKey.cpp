#include "interfaces/ClassUtilities/ClassesRootKey.h"

#include "support/registry.h"

ClassesRootKey::ClassesRootKey(const std::wstring& keyPath, const std::wstring& subkeyName,
                               REGSAM view) {
    std::wstring path = subkeyName.empty() ? keyPath : keyPath + L"\\" + subkeyName;
    if (FAILED(tesk::registry::Open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ, key_, view)))
        key_.reset();
}

std::wstring ClassesRootKey::GetStringValue(const wchar_t* valueName) const {
    if (!IsOpen()) return {};
    // A value of kValueChars characters or more (terminator included) reads
    // as empty; the registry type is not checked.
    std::wstring text;
    if (FAILED(tesk::registry::ReadString(key_.get(), valueName, kValueChars * sizeof(wchar_t),
                                          text)))
        return {};
    return text;
}
