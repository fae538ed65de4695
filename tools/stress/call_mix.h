#pragma once
// The calls a client makes: each case calls one method with one class of
// input, checks the answer against the expected table and the contents of a
// valid answer, and adds it to the tally.

#include <comdef.h>

#include <random>
#include <string>

#include "TeskAgent_h.h"
#include "stress/call_tally.h"
#include "support/unique_resource.h"

namespace stress {

// An object that this client publishes in the Tesk ROT. Its Release, when it
// gives back the last reference that another process held, takes a while.
class PublishedObject : public IUnknown {
public:
    explicit PublishedObject(unsigned slowReleaseMs) : slowReleaseMs_(slowReleaseMs) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    // From now on the last release by another process is slow.
    void MarkPublished() { published_ = true; }

private:
    virtual ~PublishedObject() = default;
    LONG refs_ = 1;
    bool published_ = false;
    unsigned slowReleaseMs_;
};

class CallContext {
public:
    CallContext(ITesk_Agent* agent, unsigned seed, unsigned slowReleaseMs);
    ~CallContext();
    bool Ready() const { return rot_ && info_; }

    // One call of the weighted mix of every method.
    void MixedCall();
    // One malformed call of any method.
    void MalformedCall();
    // One Tesk ROT round on this client's key: register, look up, unregister,
    // look up again.
    void RotRound();
    // Looks `key` up, expecting an object there.
    void LookUp(BSTR key);

    CallTally& Tally() { return tally_; }
    // Only calls of this method (a row's method name) are made from now on.
    void OnlyMethod(const std::string& method) { onlyMethod_ = method; }

    // The cases (call_mix.cpp); public for the case table.
    void Record(const char* method, const char* input, HRESULT result, bool contentsOk = true);
    void RegisterOwn(const char* input);
    void UnRegisterOwn();
    void LookUpOwn();
    // Looks up a key that nothing is registered under: nothing may be found.
    void LookUpGone(BSTR key);
    void Connect(const char* input);
    void InstalledServers();
    void ConfigFile(const char* input);
    void RemoteNode();
    void Activity(const char* input);
    void ServiceCall(const char* method);
    void Configurator();
    void PluginProgIds();
    void Properties(const char* input);
    void VersionAttributes(const char* input);
    void DispatchNames(const char* input);
    void DispatchInvoke(const char* input);
    void WrongVariant();
    void LongKeys();

private:
    bool Selected(const char* method) const;
    BSTR Malformed(const std::wstring& prefix);  // a malformed name, kept until the next one
    unsigned Pick(unsigned count) { return std::uniform_int_distribution<unsigned>(0, count - 1)(random_); }

    ITesk_Agent* agent_;
    tesk::UniqueComPtr<ITeskRot> rot_;
    tesk::UniqueComPtr<ITeskServerInfo> info_;
    std::mt19937 random_;
    unsigned slowReleaseMs_;
    std::wstring ownKey_;           // a fresh CLSID string of this client
    tesk::UniqueSysString ownKeyBstr_;
    tesk::UniqueComPtr<IUnknown> ownObject_;  // what is registered under ownKey_, if anything
    tesk::UniqueSysString malformed_;
    std::string onlyMethod_;
    CallTally tally_;
};

}  // namespace stress
