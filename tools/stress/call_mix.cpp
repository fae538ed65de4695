#include "stress/call_mix.h"

#include <climits>
#include <vector>

#include "stress/expected_answers.h"
#include "stress/hostile_inputs.h"

namespace stress {

namespace {

constexpr LONG kUnknownServerActivity = 0x00010004;  // unknown state, no service
constexpr DISPID kConnectDispid = 0x60020003;
constexpr DISPID kStartServerDispid = 0x60020005;
constexpr ULONG kHugeCount = 20000;
const wchar_t kNoSuchServer[] = L"Tesk.Stress.NoSuchServer";

std::wstring FreshGuidText() {
    GUID guid;
    ::CoCreateGuid(&guid);
    tesk::UniqueCoTaskString text;
    ::StringFromCLSID(guid, text.put());
    return text.get();
}

VARIANT UnknownVariant(IUnknown* object) {
    VARIANT value;
    V_VT(&value) = VT_UNKNOWN;
    V_UNKNOWN(&value) = object;
    return value;
}

struct Shape {
    UINT dims = 0;
    VARTYPE type = VT_EMPTY;
    LONG lower = -1;
    ULONG count = 0;
};
Shape ShapeOf(SAFEARRAY* array) {
    Shape shape;
    if (!array) return shape;
    shape.dims = ::SafeArrayGetDim(array);
    ::SafeArrayGetVartype(array, &shape.type);
    if (shape.dims == 1) {
        ::SafeArrayGetLBound(array, 1, &shape.lower);
        shape.count = array->rgsabound[0].cElements;
    }
    return shape;
}
bool IsList(SAFEARRAY* array, VARTYPE type, ULONG count) {
    Shape shape = ShapeOf(array);
    return shape.dims == 1 && shape.type == type && shape.lower == 0 && shape.count == count;
}
template <class T>
T ElementAt(SAFEARRAY* array, LONG index) {
    T value{};
    ::SafeArrayGetElement(array, &index, &value);
    return value;
}

struct Case {
    unsigned weight;
    bool malformed;
    const char* method;
    void (*run)(CallContext&);
};

const Case kCases[] = {
    {10, false, "TeskRotRegister", [](CallContext& c) { c.RegisterOwn("valid"); }},
    {7, false, "TeskRotUnRegister", [](CallContext& c) { c.UnRegisterOwn(); }},
    {12, false, "TeskRotGetActiveObject", [](CallContext& c) { c.LookUpOwn(); }},
    {6, false, "Connect", [](CallContext& c) { c.Connect("valid"); }},
    {3, false, "Connect", [](CallContext& c) { c.Connect("unknown"); }},
    {2, true, "Connect", [](CallContext& c) { c.Connect("malformed name"); }},
    {4, false, "GetInstalledServers", [](CallContext& c) { c.InstalledServers(); }},
    {2, false, "GetActiveConfigFile", [](CallContext& c) { c.ConfigFile("unknown"); }},
    {3, true, "GetActiveConfigFile", [](CallContext& c) { c.ConfigFile("malformed name"); }},
    {2, false, "GetTeskAgentOnRemoteNode", [](CallContext& c) { c.RemoteNode(); }},
    {2, false, "IsServerActive", [](CallContext& c) { c.Activity("unknown"); }},
    {3, true, "IsServerActive", [](CallContext& c) { c.Activity("malformed name"); }},
    {1, true, "StartServer", [](CallContext& c) { c.ServiceCall("StartServer"); }},
    {1, true, "StopServer", [](CallContext& c) { c.ServiceCall("StopServer"); }},
    {1, true, "ConfigureNTService", [](CallContext& c) { c.ServiceCall("ConfigureNTService"); }},
    {1, false, "GetConfigurator", [](CallContext& c) { c.Configurator(); }},
    {4, false, "GetTeskServerPluginProgIDs", [](CallContext& c) { c.PluginProgIds(); }},
    {5, false, "GetTeskServerProperties", [](CallContext& c) { c.Properties("valid"); }},
    {2, true, "GetTeskServerProperties", [](CallContext& c) { c.Properties("extreme lower bound"); }},
    {1, true, "GetTeskServerProperties", [](CallContext& c) { c.Properties("empty array"); }},
    {1, true, "GetTeskServerProperties", [](CallContext& c) { c.Properties("null array"); }},
    {2, true, "GetTeskServerProperties", [](CallContext& c) { c.Properties("wrong element type"); }},
    {2, true, "GetTeskServerProperties", [](CallContext& c) { c.Properties("two dimensions"); }},
    {2, true, "GetTeskServerProperties", [](CallContext& c) { c.Properties("wrapping bounds"); }},
    {1, false, "GetTeskServerProperties", [](CallContext& c) { c.Properties("huge count"); }},
    {4, false, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("valid"); }},
    {2, true, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("malformed server type"); }},
    {1, true, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("null array"); }},
    {2, true, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("wrong element type"); }},
    {2, true, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("two dimensions"); }},
    {2, true, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("wrapping bounds"); }},
    {1, false, "GetVersionAttributes", [](CallContext& c) { c.VersionAttributes("huge count"); }},
    {2, false, "GetIDsOfNames", [](CallContext& c) { c.DispatchNames("valid"); }},
    {1, false, "GetIDsOfNames", [](CallContext& c) { c.DispatchNames("unknown"); }},
    {2, true, "Invoke", [](CallContext& c) { c.DispatchInvoke("malformed name"); }},
    {1, true, "Invoke", [](CallContext& c) { c.DispatchInvoke("missing argument"); }},
    {3, true, "TeskRotRegister", [](CallContext& c) { c.WrongVariant(); }},
    {2, true, "TeskRotRegister", [](CallContext& c) { c.LongKeys(); }},
};

}  // namespace

STDMETHODIMP PublishedObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) PublishedObject::Release() {
    LONG refs = ::InterlockedDecrement(&refs_);
    // Only this client's own reference is left: the agent let go.
    if (refs == 1 && published_ && slowReleaseMs_) ::Sleep(slowReleaseMs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

CallContext::CallContext(ITesk_Agent* agent, unsigned seed, unsigned slowReleaseMs)
    : agent_(agent), random_(seed), slowReleaseMs_(slowReleaseMs),
      ownKey_(FreshGuidText()), ownKeyBstr_(MakeBstr(ownKey_)) {
    agent->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(rot_.put()));
    agent->QueryInterface(IID_ITeskServerInfo, reinterpret_cast<void**>(info_.put()));
}

CallContext::~CallContext() {
    if (ownObject_ && rot_) rot_->TeskRotUnRegister(ownKeyBstr_.get());
}

void CallContext::Record(const char* method, const char* input, HRESULT result, bool contentsOk) {
    const ExpectedAnswer* row = FindExpected(method, input);
    tally_.Add(method, input, result, row && row->result == result && contentsOk);
}

BSTR CallContext::Malformed(const std::wstring& prefix) {
    malformed_ = MakeText(static_cast<Text>(Pick(4)), prefix);
    return malformed_.get();
}

bool CallContext::Selected(const char* method) const {
    return onlyMethod_.empty() || onlyMethod_ == method;
}

void CallContext::MixedCall() {
    unsigned total = 0;
    for (const Case& c : kCases)
        if (Selected(c.method)) total += c.weight;
    if (total == 0) return;
    unsigned pick = Pick(total);
    for (const Case& c : kCases) {
        if (!Selected(c.method)) continue;
        if (pick < c.weight) return c.run(*this);
        pick -= c.weight;
    }
}

void CallContext::MalformedCall() {
    std::vector<const Case*> malformed;
    for (const Case& c : kCases)
        if (c.malformed && Selected(c.method)) malformed.push_back(&c);
    if (!malformed.empty()) malformed[Pick(static_cast<unsigned>(malformed.size()))]->run(*this);
}

void CallContext::RotRound() {
    RegisterOwn("valid");
    LookUpOwn();
    UnRegisterOwn();
    LookUpOwn();
}

void CallContext::LookUp(BSTR key) {
    tesk::UniqueVariant out;
    HRESULT hr = rot_->TeskRotGetActiveObject(key, out.get());
    Record("TeskRotGetActiveObject", "valid", hr,
           V_VT(out.get()) == VT_UNKNOWN && V_UNKNOWN(out.get()));
}

// ---- Tesk ROT -------------------------------------------------------------

void CallContext::RegisterOwn(const char* input) {
    if (ownObject_) input = "replacing";
    tesk::UniqueComPtr<IUnknown> object(new PublishedObject(slowReleaseMs_));
    HRESULT hr = rot_->TeskRotRegister(ownKeyBstr_.get(), UnknownVariant(object.get()));
    Record("TeskRotRegister", input, hr);
    if (SUCCEEDED(hr)) {
        static_cast<PublishedObject*>(object.get())->MarkPublished();
        ownObject_ = std::move(object);
    }
}

void CallContext::UnRegisterOwn() {
    HRESULT hr = rot_->TeskRotUnRegister(ownKeyBstr_.get());
    Record("TeskRotUnRegister", ownObject_ ? "valid" : "unknown", hr);
    ownObject_.reset();
}

void CallContext::LookUpOwn() {
    if (!ownObject_) return LookUpGone(ownKeyBstr_.get());
    tesk::UniqueVariant out;
    HRESULT hr = rot_->TeskRotGetActiveObject(ownKeyBstr_.get(), out.get());
    // An object of this process comes back as itself, not as a proxy.
    Record("TeskRotGetActiveObject", "valid", hr,
           V_VT(out.get()) == VT_UNKNOWN && V_UNKNOWN(out.get()) == ownObject_.get());
}

void CallContext::LookUpGone(BSTR key) {
    tesk::UniqueVariant out;
    HRESULT hr = rot_->TeskRotGetActiveObject(key, out.get());
    Record("TeskRotGetActiveObject", "unknown", hr, V_VT(out.get()) == VT_EMPTY);
}

void CallContext::WrongVariant() {
    tesk::UniqueVariant refused;
    MakeWrongVariant(Pick(static_cast<unsigned>(WrongVariantCount())), ownObject_.get(),
                     refused.get());
    HRESULT hr = rot_->TeskRotRegister(ownKeyBstr_.get(), *refused.get());
    if (V_VT(refused.get()) == (VT_UNKNOWN | VT_BYREF))
        V_VT(refused.get()) = VT_EMPTY;  // not ours to release
    Record("TeskRotRegister", "wrong VARIANT type", hr);
    LookUpOwn();  // the entry is unchanged
}

void CallContext::LongKeys() {
    tesk::UniqueComPtr<IUnknown> object(new PublishedObject(0));
    tesk::UniqueSysString longKey = MakeText(Text::Long64K, ownKey_);
    HRESULT hr = rot_->TeskRotRegister(longKey.get(), UnknownVariant(object.get()));
    Record("TeskRotRegister", "64K key", hr);
    tesk::UniqueVariant out;
    hr = rot_->TeskRotGetActiveObject(longKey.get(), out.get());
    Record("TeskRotGetActiveObject", "64K key", hr, V_UNKNOWN(out.get()) == object.get());
    Record("TeskRotUnRegister", "valid", rot_->TeskRotUnRegister(longKey.get()));
    LookUpGone(longKey.get());

    tesk::UniqueSysString cutKey = MakeText(Text::EmbeddedNul, ownKey_ + L"-cut");
    hr = rot_->TeskRotRegister(cutKey.get(), UnknownVariant(object.get()));
    Record("TeskRotRegister", "embedded-null key", hr);
    Record("TeskRotUnRegister", "valid", rot_->TeskRotUnRegister(cutKey.get()));
    LookUpGone(cutKey.get());

    tesk::UniqueVariant none;
    Record("TeskRotGetActiveObject", "null", rot_->TeskRotGetActiveObject(nullptr, none.get()));
    Record("TeskRotUnRegister", "null", rot_->TeskRotUnRegister(nullptr));
    tesk::UniqueSysString unknown = MakeBstr(FreshGuidText());
    Record("TeskRotUnRegister", "unknown", rot_->TeskRotUnRegister(unknown.get()));
}

// ---- Discovery and connection ---------------------------------------------

void CallContext::Connect(const char* input) {
    tesk::UniqueComPtr<IUnknown> server;
    const std::string kind = input;
    if (kind == "valid") {
        if (!ownObject_) RegisterOwn("valid");
        HRESULT hr = agent_->Connect(ownKeyBstr_.get(), server.put());
        Record("Connect", input, hr, server.get() == ownObject_.get());
    } else if (kind == "unknown") {
        tesk::UniqueSysString nowhere = MakeBstr(FreshGuidText());
        Record("Connect", input, agent_->Connect(nowhere.get(), server.put()), !server);
    } else {
        Record("Connect", input, agent_->Connect(Malformed(kNoSuchServer), server.put()), !server);
    }
}

void CallContext::InstalledServers() {
    tesk::UniqueSafeArray names, guids, status;
    HRESULT hr = agent_->GetInstalledServers(names.put(), guids.put(), status.put());
    // Names and GUIDs are parallel; the activity list is as long or one shorter.
    const Shape n = ShapeOf(names.get()), g = ShapeOf(guids.get()), s = ShapeOf(status.get());
    const bool ok = n.dims == 1 && n.type == VT_BSTR && g.type == VT_BSTR && s.type == VT_I4 &&
                    n.count == g.count && (s.count == n.count || s.count + 1 == n.count);
    Record("GetInstalledServers", "valid", hr, ok);
}

void CallContext::ConfigFile(const char* input) {
    tesk::UniqueSysString unknown = MakeBstr(kNoSuchServer);
    BSTR name = std::string(input) == "unknown" ? unknown.get() : Malformed(kNoSuchServer);
    tesk::UniqueSysString file;
    HRESULT hr = agent_->GetActiveConfigFile(name, file.put());
    Record("GetActiveConfigFile", input, hr, file && ::SysStringLen(file.get()) == 0);
}

void CallContext::RemoteNode() {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(computer, &size);
    const wchar_t* nodes[] = {nullptr, L"", computer};
    tesk::UniqueSysString node;
    if (const wchar_t* text = nodes[Pick(3)]) node = MakeBstr(text);
    tesk::UniqueComPtr<IUnknown> remote;
    HRESULT hr = agent_->GetTeskAgentOnRemoteNode(node.get(), remote.put());
    Record("GetTeskAgentOnRemoteNode", "this node", hr, static_cast<bool>(remote));
}

// ---- Activity and services --------------------------------------------------

void CallContext::Activity(const char* input) {
    tesk::UniqueSysString unknown = MakeBstr(kNoSuchServer);
    BSTR name = std::string(input) == "unknown" ? unknown.get() : Malformed(kNoSuchServer);
    LONG word = 0;
    HRESULT hr = agent_->IsServerActive(name, &word);
    Record("IsServerActive", input, hr, word == kUnknownServerActivity);
}

// Only names that resolve to no server: nothing about a real service changes.
void CallContext::ServiceCall(const char* method) {
    BSTR name = Malformed(kNoSuchServer);
    const std::string which = method;
    HRESULT hr = which == "StartServer"  ? agent_->StartServer(name)
                 : which == "StopServer" ? agent_->StopServer(name)
                                         : agent_->ConfigureNTService(name, 2);
    Record(method, "malformed name", hr);
}

void CallContext::Configurator() {
    tesk::UniqueComPtr<IUnknown> configurator;
    HRESULT hr = agent_->GetConfigurator(configurator.put());
    Record("GetConfigurator", "valid", hr, static_cast<bool>(configurator));
}

// ---- Server information -----------------------------------------------------

void CallContext::PluginProgIds() {
    tesk::UniqueSafeArray ids;
    HRESULT hr = info_->GetTeskServerPluginProgIDs(ids.put());
    Shape shape = ShapeOf(ids.get());
    Record("GetTeskServerPluginProgIDs", "valid", hr,
           shape.dims == 1 && shape.type == VT_BSTR && shape.lower == 0);
}

void CallContext::Properties(const char* input) {
    const std::string kind = input;
    tesk::UniqueSafeArray ids;
    std::vector<LONG> requested;
    LONG lower = 0;
    if (kind == "valid") {
        if (!ownObject_) RegisterOwn("valid");
        requested = {1, 2, 99};
        lower = static_cast<LONG>(Pick(10)) - 5;
    } else if (kind == "extreme lower bound") {
        requested = {99, 4, 99};
        lower = LONG_MIN;
    } else if (kind == "huge count") {
        requested.assign(kHugeCount, 99);
    }
    if (kind == "wrong element type")
        ids = MakeWrongElementType(Pick(static_cast<unsigned>(WrongElementTypeCount())), VT_I4);
    else if (kind == "two dimensions")
        ids = MakeManyDimensions(VT_I4, 2 + Pick(2));
    else if (kind == "wrapping bounds")
        ids = MakeWrappingBounds(VT_I4);
    else if (kind != "null array")
        ids = MakeLongs(requested, lower);

    tesk::UniqueSafeArray values, errors;
    HRESULT hr = info_->GetTeskServerProperties(ownKeyBstr_.get(), ids.get(), values.put(),
                                                      errors.put());
    bool ok = true;
    if (SUCCEEDED(hr)) {
        const ULONG count = static_cast<ULONG>(requested.size());
        ok = IsList(values.get(), VT_VARIANT, count) && IsList(errors.get(), VT_I4, count);
        if (ok && kind == "valid") {
            // This client's object does not answer the property interface: 0.
            tesk::UniqueVariant first, last;
            *first.get() = ElementAt<VARIANT>(values.get(), 0);
            *last.get() = ElementAt<VARIANT>(values.get(), 2);
            ok = V_VT(first.get()) == VT_I4 && V_I4(first.get()) == 0 &&
                 V_VT(last.get()) == VT_EMPTY && ElementAt<LONG>(errors.get(), 0) == S_OK &&
                 ElementAt<LONG>(errors.get(), 2) == S_OK;
        }
    }
    Record("GetTeskServerProperties", input, hr, ok);
}

void CallContext::VersionAttributes(const char* input) {
    const std::string kind = input;
    std::vector<std::wstring> requested = {L"FilePath", L"FileVersion"};
    if (kind == "huge count") requested.assign(kHugeCount, L"FilePath");
    tesk::UniqueSafeArray names;
    if (kind == "wrong element type")
        names = MakeWrongElementType(Pick(static_cast<unsigned>(WrongElementTypeCount())), VT_BSTR);
    else if (kind == "two dimensions")
        names = MakeManyDimensions(VT_BSTR, 2 + Pick(2));
    else if (kind == "wrapping bounds")
        names = MakeWrappingBounds(VT_BSTR);
    else if (kind != "null array")
        names = MakeStrings(requested);
    tesk::UniqueSysString local = MakeBstr(L"LOCAL");
    BSTR type = kind == "malformed server type" ? Malformed(L"SERVICE") : local.get();
    tesk::UniqueSysString server = MakeBstr(kNoSuchServer);

    tesk::UniqueSafeArray values, errors;
    HRESULT hr = info_->GetVersionAttributes(server.get(), type, names.get(), values.put(),
                                                   errors.put());
    bool ok = true;
    if (SUCCEEDED(hr)) {
        const ULONG count = static_cast<ULONG>(requested.size());
        ok = IsList(values.get(), VT_BSTR, count) && IsList(errors.get(), VT_I4, count) &&
             ElementAt<LONG>(errors.get(), 0) == S_OK;
        // An unknown server has no module: no version strings.
        if (ok && kind == "valid") ok = ElementAt<LONG>(errors.get(), 1) == E_FAIL;
    }
    Record("GetVersionAttributes", input, hr, ok);
}

// ---- IDispatch ----------------------------------------------------------------

void CallContext::DispatchNames(const char* input) {
    const bool valid = std::string(input) == "valid";
    LPOLESTR name = const_cast<LPOLESTR>(valid ? L"Connect" : L"NoSuchMethod");
    DISPID id = 0;
    HRESULT hr = agent_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    Record("GetIDsOfNames", input, hr, !valid || id == kConnectDispid);
}

void CallContext::DispatchInvoke(const char* input) {
    const bool missing = std::string(input) == "missing argument";
    VARIANT argument;
    V_VT(&argument) = VT_BSTR;
    V_BSTR(&argument) = missing ? nullptr : Malformed(kNoSuchServer);
    DISPPARAMS parameters = {&argument, nullptr, missing ? 0u : 1u, 0};
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    HRESULT hr = agent_->Invoke(kStartServerDispid, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_METHOD, &parameters, nullptr, &exception, &argumentError);
    tesk::UniqueSysString source(exception.bstrSource), text(exception.bstrDescription),
        help(exception.bstrHelpFile);
    // The method's own failure travels in the exception information.
    const bool ok = missing || exception.scode == E_FAIL;
    Record("Invoke", input, hr, ok);
}

}  // namespace stress
