#include "interfaces/ClassUtilities/ClassesRootKey.h"

ClassesRootKey::ClassesRootKey(const std::wstring& keyPath, const std::wstring& subkeyName,
                               REGSAM view) {
    std::wstring path = subkeyName.empty() ? keyPath : keyPath + L"\\" + subkeyName;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, key_.put()) !=
        ERROR_SUCCESS)
        key_.reset();
}

std::wstring ClassesRootKey::GetStringValue(const wchar_t* valueName) const {
    if (!IsOpen()) return {};
    // One extra zero past the queried size: a value stored without its own
    // terminator still ends inside the buffer.
    wchar_t buffer[kValueChars + 1] = {};
    DWORD bytes = kValueChars * sizeof(wchar_t);
    if (::RegQueryValueExW(key_.get(), valueName ? valueName : L"", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return {};
    return buffer;  // up to the first zero; the registry type is not checked
}
