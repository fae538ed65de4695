#include "agent/TeskSafeArrayWrapper.h"
#include "diagnostics/com_eh.h"
#include "interfaces/ClassUtilities/ModuleFileInfo.h"
#include "interfaces/ClassUtilities/RequestArray.h"
#include "interfaces/ClassUtilities/ServerInformation.h"
#include "interfaces/ClassUtilities/ServerPropertySource.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

const IID IID_IServerPropertySource = {
    0x113B7C73, 0x483B, 0x40E6, {0x94, 0x19, 0x53, 0xB4, 0xB8, 0x19, 0x36, 0xCA}};

namespace {

enum PropertyId : LONG {
    kRunningValue = 1,     // asked of the running server
    kToolkitBuildDate = 2,  // the rest are strings of the in-process module
    kToolkitVersion = 3,
    kEngineProgId = 4,
};

// The long the running server answers; 0 when it cannot be reached or asked.
// The calls to the server's object leave this thread serving other clients
// until they return: only this call's own locals are in use meanwhile.
LONG RunningServerValue(ITesk_Agent* agent, BSTR serverName) {
    // Connect is called as a client would, with a name of its own.
    tesk::UniqueSysString name(::SysAllocStringLen(serverName, ::SysStringLen(serverName)));
    tesk::UniqueComPtr<IUnknown> server;
    if (FAILED(agent->Connect(name.get(), server.put())) || !server) return 0;
    tesk::UniqueComPtr<IServerPropertySource> source;
    if (FAILED(server->QueryInterface(IID_IServerPropertySource,
                                            reinterpret_cast<void**>(source.put()))) ||
        !source)
        return 0;
    LONG value = 0;
    if (FAILED(source->GetLongValue(&value))) return 0;
    return value;
}

HRESULT ModuleString(BSTR serverName, const wchar_t* stringName, VARIANT* value) {
    ServerIdentity server = ResolveServer(serverName);
    std::wstring module = ModuleFileOf(server, GetInprocServerPath(server));
    wchar_t text[kAttributeChars] = {};
    HRESULT hr = GetFileVersionString(module.c_str(), stringName, text, kAttributeChars);
    value->vt = VT_BSTR;
    value->bstrVal = ::SysAllocString(text);
    if (!value->bstrVal) TESK_RAISE(E_OUTOFMEMORY);
    return hr;
}

// The value of one requested property; returns the element's error.
HRESULT ReadProperty(ITesk_Agent* agent, BSTR serverName, SAFEARRAY* propertyIds, LONG index,
                     VARIANT* value) {
    LONG id = 0;
    HRESULT hr = ::SafeArrayGetElement(propertyIds, &index, &id);
    TESK_RETURN_IF_FAILED(hr);
    switch (id) {
    case kRunningValue:
        value->vt = VT_I4;
        value->lVal = RunningServerValue(agent, serverName);
        return S_OK;  // an unreachable server is not an error, its value is 0
    case kToolkitBuildDate:
        return ModuleString(serverName, L"TeskToolkitBuildDate", value);
    case kToolkitVersion:
        return ModuleString(serverName, L"TeskToolkitVersion", value);
    case kEngineProgId:
        return ModuleString(serverName, L"TeskEngineProgID", value);
    default:
        return S_OK;  // unknown IDs stay VT_EMPTY
    }
}

}  // namespace

HRESULT ReadServerProperties(ITesk_Agent* agent, BSTR serverName, SAFEARRAY* propertyIds,
                             SAFEARRAY** values, SAFEARRAY** errors) {
    // Returned, not raised (without error information or a record): bad
    // arguments of the request methods are reported this way by contract.
    TESK_RETURN_IF(!propertyIds || !values || !errors, E_POINTER);
    TESK_RETURN_IF(!IsRequestOf(propertyIds, VT_I4, sizeof(LONG)), E_POINTER);
    RequestBounds bounds = BoundsOf(propertyIds);

    // Owned until they are handed over, so a failure part-way frees them.
    // The outputs are parallel to the request, so they are made at its size once.
    const ULONG count = static_cast<ULONG>(bounds.count);
    TeskVariantSafeArrayWrapper answers(count, true);
    TeskLongSafeArrayWrapper results(count, true);
    ULONG out = 0;
    // The outputs stay parallel to the request whatever a store returns.
    for (LONGLONG index = bounds.lower; index < bounds.lower + bounds.count; ++index, ++out) {
        tesk::UniqueVariant value;
        HRESULT hr =
            ReadProperty(agent, serverName, propertyIds, static_cast<LONG>(index), value.get());
        answers.SetAt(out, value.get());
        results.SetAt(out, hr);
    }

    *values = answers.Detach(true);
    *errors = results.Detach(true);
    return S_OK;
}

}  // namespace TeskAgentHelpers
