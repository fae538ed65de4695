#include <cwchar>
#include <string>

#include "agent/TeskSafeArrayWrapper.h"
#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/ModuleFileInfo.h"
#include "interfaces/ClassUtilities/RequestArray.h"
#include "interfaces/ClassUtilities/ServerInformation.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

namespace {

constexpr wchar_t kCreationDateFormat[] = L"MMMM d',' yyyy";

bool SameText(const wchar_t* text, const wchar_t* expected) {
    return ::CompareStringOrdinal(text ? text : L"", -1, expected, -1, TRUE) == CSTR_EQUAL;
}

// The module whose attributes are read, as registered: false for a type that
// is neither.
bool ModuleOfType(const ServerIdentity& server, const wchar_t* serverType, std::wstring* module) {
    if (SameText(serverType, L"LOCAL")) {
        *module = GetLocalServerPath(server);
        return true;
    }
    if (SameText(serverType, L"INPROC")) {
        *module = GetInprocServerPath(server);
        return true;
    }
    return false;
}

// The registered path and the file it names for the server itself.
struct Module {
    std::wstring registered;
    std::wstring file;
};

// One requested attribute into `text`; returns the element's error.
HRESULT ReadAttribute(const Module& module, SAFEARRAY* attributeNames, LONG index,
                      wchar_t (&text)[kAttributeChars]) {
    tesk::UniqueSysString name;
    HRESULT hr = ::SafeArrayGetElement(attributeNames, &index, name.put());
    TESK_RETURN_IF_FAILED(hr);
    if (SameText(name.get(), L"FilePath")) {
        std::wcsncpy(text, module.registered.c_str(), kAttributeChars - 1);
        text[kAttributeChars - 1] = L'\0';
        return S_OK;
    }
    if (SameText(name.get(), L"CreationDate"))
        return GetFileCreationDate(module.file.c_str(), text, kAttributeChars,
                                   kCreationDateFormat);
    // Any other name, a null one included, is a string of the version resource.
    return GetFileVersionString(module.file.c_str(), name.get(), text, kAttributeChars);
}

}  // namespace

HRESULT ReadVersionAttributes(BSTR serverName, BSTR serverType, SAFEARRAY* attributeNames,
                              SAFEARRAY** attributes, SAFEARRAY** errors) {
    // Returned, not raised (without error information or a record): bad
    // arguments of the request methods are reported this way by contract.
    TESK_RETURN_IF(!attributeNames || !attributes || !errors, E_POINTER);
    TESK_RETURN_IF(!IsRequestOf(attributeNames, VT_BSTR, sizeof(BSTR)), E_POINTER);

    ServerIdentity server = ResolveServer(serverName);
    Module module;
    TESK_RETURN_IF(!ModuleOfType(server, serverType, &module.registered), E_POINTER);
    module.file = ModuleFileOf(server, module.registered);
    RequestBounds bounds = BoundsOf(attributeNames);

    // Owned until they are handed over, so a failure part-way frees them.
    // The outputs are parallel to the request, so they are made at its size once.
    const ULONG count = static_cast<ULONG>(bounds.count);
    TeskBstrSafeArrayWrapper answers(count, true);
    TeskLongSafeArrayWrapper results(count, true);
    ULONG out = 0;
    // The outputs stay parallel to the request whatever a store returns.
    for (LONGLONG index = bounds.lower; index < bounds.lower + bounds.count; ++index, ++out) {
        wchar_t text[kAttributeChars] = {};
        HRESULT hr = ReadAttribute(module, attributeNames, static_cast<LONG>(index), text);
        answers.SetAt(out, text);
        results.SetAt(out, hr);
    }

    *attributes = answers.Detach(true);
    *errors = results.Detach(true);
    return S_OK;
}

}  // namespace TeskAgentHelpers
