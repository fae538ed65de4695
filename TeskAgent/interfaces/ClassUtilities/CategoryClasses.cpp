#include "interfaces/ClassUtilities/CategoryClasses.h"

#include <comcat.h>

#include <cstring>
#include <set>

#include "interfaces/ClassUtilities/ClassesRootKey.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/registry.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

namespace {

constexpr DWORD kGuidChars = 39;  // "{8-4-4-4-12}" and its terminator

bool HasSubkey(HKEY key, const std::wstring& path) {
    tesk::UniqueRegKey sub;
    return SUCCEEDED(tesk::registry::Open(key, path.c_str(), KEY_READ, sub));
}

// The category manager's rule for one implemented and no required category:
// the class implements it and requires no category at all.
bool ImplementsOnly(HKEY classKey, const std::wstring& categoryText) {
    if (!HasSubkey(classKey, L"Implemented Categories\\" + categoryText)) return false;
    tesk::UniqueRegKey required;
    std::vector<std::wstring> categories;
    return FAILED(tesk::registry::Open(classKey, L"Required Categories", KEY_READ, required)) ||
           (SUCCEEDED(tesk::registry::EnumerateSubkeys(required.get(), categories)) &&
            categories.empty());
}

void AppendOnlyIn32BitView(REFCATID category, std::vector<ServerIdentity>* classes) {
    ClassesRootKey all(L"CLSID", L"", k32BitView);
    std::vector<std::wstring> names;
    if (!all.IsOpen() || FAILED(tesk::registry::EnumerateSubkeys(all.get(), names))) return;
    wchar_t categoryText[kGuidChars] = {};
    ::StringFromGUID2(category, categoryText, kGuidChars);
    // A class the 64-bit view lists is listed once; one registered in both
    // views is the 64-bit view's class.
    auto less = [](const CLSID& a, const CLSID& b) { return std::memcmp(&a, &b, sizeof a) < 0; };
    std::set<CLSID, decltype(less)> listed(less);
    for (const ServerIdentity& known : *classes) listed.insert(known.clsid);
    for (const std::wstring& name : names) {
        CLSID clsid;
        tesk::UniqueRegKey classKey;
        if (name.size() != kGuidChars - 1 || FAILED(::CLSIDFromString(name.c_str(), &clsid)) ||
            FAILED(tesk::registry::Open(all.get(), name.c_str(), KEY_READ, classKey)) ||
            !ImplementsOnly(classKey.get(), categoryText))
            continue;
        if (listed.insert(clsid).second) classes->push_back(IdentityOf(clsid));
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
        manager->EnumClassesOfCategories(1, &implemented, 0, nullptr, enumerator.put());
    if (FAILED(found.result)) return found;
    CLSID clsid;
    while (enumerator->Next(1, &clsid, nullptr) == S_OK)
        found.classes.push_back({clsid, k64BitView});
    AppendOnlyIn32BitView(category, &found.classes);
    return found;
}

}  // namespace TeskAgentHelpers
