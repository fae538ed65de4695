#include "interfaces/ClassUtilities/CategoryClasses.h"

#include <comcat.h>

#include <algorithm>

#include "interfaces/ClassUtilities/ClassesRootKey.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

namespace {

constexpr DWORD kGuidChars = 39;  // "{8-4-4-4-12}" and its terminator

bool HasSubkey(HKEY key, const std::wstring& path) {
    tesk::UniqueRegKey sub;
    return ::RegOpenKeyExW(key, path.c_str(), 0, KEY_READ, sub.put()) == ERROR_SUCCESS;
}

// The category manager's rule for one implemented and no required category:
// the class implements it and requires no category at all.
bool ImplementsOnly(HKEY classKey, const std::wstring& categoryText) {
    if (!HasSubkey(classKey, L"Implemented Categories\\" + categoryText)) return false;
    tesk::UniqueRegKey required;
    if (::RegOpenKeyExW(classKey, L"Required Categories", 0, KEY_READ, required.put()) !=
        ERROR_SUCCESS)
        return true;
    DWORD subkeys = 0;
    return ::RegQueryInfoKeyW(required.get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           subkeys == 0;
}

void AppendOnlyIn32BitView(REFCATID category, std::vector<ServerIdentity>* classes) {
    ClassesRootKey all(L"CLSID", L"", k32BitView);
    if (!all.IsOpen()) return;
    wchar_t categoryText[kGuidChars] = {};
    ::StringFromGUID2(category, categoryText, kGuidChars);
    const size_t listed = classes->size();
    for (DWORD index = 0;; ++index) {
        wchar_t name[kGuidChars + 1] = {};
        DWORD chars = kGuidChars + 1;
        LONG status = ::RegEnumKeyExW(all.get(), index, name, &chars, nullptr, nullptr, nullptr,
                                      nullptr);
        if (status == ERROR_MORE_DATA) continue;  // longer than a CLSID: not a class
        if (status != ERROR_SUCCESS) break;
        CLSID clsid;
        if (chars != kGuidChars - 1 || FAILED(::CLSIDFromString(name, &clsid))) continue;
        tesk::UniqueRegKey classKey;
        if (::RegOpenKeyExW(all.get(), name, 0, KEY_READ, classKey.put()) != ERROR_SUCCESS ||
            !ImplementsOnly(classKey.get(), categoryText))
            continue;
        // A class the 64-bit view lists is listed once; one registered in both
        // views is the 64-bit view's class.
        auto end = classes->begin() + listed;
        if (std::none_of(classes->begin(), end,
                         [&](const ServerIdentity& known) { return known.clsid == clsid; }))
            classes->push_back(IdentityOf(clsid));
    }
}

}  // namespace

CategoryClasses ListCategoryClasses(REFCATID category) {
    CategoryClasses found;
    tesk::UniqueComPtr<ICatInformation> manager;
    found.result = ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr,
                                      CLSCTX_INPROC_SERVER, IID_ICatInformation,
                                      reinterpret_cast<void**>(manager.put()));
    if (FAILED(found.result)) return found;
    found.managerCreated = true;
    CATID implemented = category;
    tesk::UniqueComPtr<IEnumCLSID> enumerator;
    found.result =
        manager.get()->EnumClassesOfCategories(1, &implemented, 0, nullptr, enumerator.put());
    if (FAILED(found.result)) return found;
    CLSID clsid;
    while (enumerator.get()->Next(1, &clsid, nullptr) == S_OK)
        found.classes.push_back({clsid, k64BitView});
    AppendOnlyIn32BitView(category, &found.classes);
    return found;
}

}  // namespace TeskAgentHelpers
