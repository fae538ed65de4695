#include "interfaces/ClassUtilities/ClassesRootKey.h"

#include <algorithm>
#include <iterator>

#include "support/registry.h"

namespace {

constexpr wchar_t kClsidKey[] = L"CLSID";

// Keys of another view are opened once for the process and the keys below
// them without a view flag. Under Wine every open below HKEY_CLASSES_ROOT that
// names a view keeps a handle for good, and anywhere such an open costs
// several times one below a key already in that view; the agent looks
// classes up in the other view on every call for as long as it runs.
tesk::UniqueRegKey OpenInView(HKEY root, const wchar_t* path, REGSAM view) {
    tesk::UniqueRegKey key;
    if (FAILED(tesk::registry::Open(root, path, KEY_READ, key, view)))
        key.reset();  // what a failed open leaves in it is not specified
    return key;
}

// The CLSID key of the view `view` names (not the caller's own).
HKEY OtherViewClsidKey(REGSAM view) {
    static const tesk::UniqueRegKey view64 =
        OpenInView(HKEY_CLASSES_ROOT, kClsidKey, KEY_WOW64_64KEY);
    static const tesk::UniqueRegKey view32 =
        OpenInView(HKEY_CLASSES_ROOT, kClsidKey, KEY_WOW64_32KEY);
    return (view & KEY_WOW64_32KEY) ? view32.get() : view64.get();
}

}  // namespace

ClassesRootKey::ClassesRootKey(const std::wstring& keyPath, const std::wstring& subkeyName,
                               REGSAM view) {
    std::wstring path = subkeyName.empty() ? keyPath : keyPath + L"\\" + subkeyName;
    HKEY root = HKEY_CLASSES_ROOT;
    const size_t clsidChars = std::size(kClsidKey) - 1;
    const bool belowClsid = path.compare(0, clsidChars, kClsidKey) == 0 &&
                            (path.size() == clsidChars || path[clsidChars] == L'\\');
    if (HKEY clsidKey = (view && belowClsid) ? OtherViewClsidKey(view) : nullptr) {
        root = clsidKey;
        path.erase(0, std::min(path.size(), clsidChars + 1));
        view = 0;
    }
    if (FAILED(tesk::registry::Open(root, path.c_str(), KEY_READ, key_, view))) key_.reset();
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

HKEY MachineClassesKey32() {
    static const tesk::UniqueRegKey classes =
        OpenInView(HKEY_LOCAL_MACHINE, L"Software\\Classes", KEY_WOW64_32KEY);
    return classes.get();
}
