#include "sample_server/server_publication.h"

#include <cwchar>

namespace tesk_sample {
namespace {
void Trace(const wchar_t* what, HRESULT hr) {
    wchar_t text[160];
    std::swprintf(text, 160, L"TeskSampleServer: %ls 0x%08lX\n", what,
                  static_cast<unsigned long>(hr));
    ::OutputDebugStringW(text);
}
}  // namespace

void LivePublication::Publish(const ServerIdentity& identity, Publication where, IUnknown* live) {
    if (where == Publication::TeskRot || where == Publication::Both) {
        teskRotResult_ = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER,
                                            IID_ITeskRot, reinterpret_cast<void**>(agent_.put()));
        if (SUCCEEDED(teskRotResult_)) {
            key_ = identity.clsidText;
            tesk::UniqueSysString key(::SysAllocString(key_.c_str()));
            VARIANT object;
            ::VariantInit(&object);
            object.vt = VT_UNKNOWN;
            object.punkVal = live;  // by value: the agent takes its own reference
            teskRotResult_ = agent_->TeskRotRegister(key.get(), object);
            registered_ = SUCCEEDED(teskRotResult_);
        }
        Trace(L"TeskRotRegister", teskRotResult_);
    }
    if (where == Publication::Platform || where == Publication::Both) {
        platformResult_ = ::RegisterActiveObject(live, identity.clsid, ACTIVEOBJECT_WEAK,
                                                 platformEntry_.put());
        Trace(L"RegisterActiveObject", platformResult_);
    }
}

void LivePublication::Withdraw() {
    if (registered_) {
        tesk::UniqueSysString key(::SysAllocString(key_.c_str()));
        Trace(L"TeskRotUnRegister", agent_->TeskRotUnRegister(key.get()));
        registered_ = false;
    }
    agent_.reset();
    platformEntry_.reset();
}

}  // namespace tesk_sample
