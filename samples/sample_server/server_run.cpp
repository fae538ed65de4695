#include "sample_server/server_run.h"

#include <vector>

#include "sample_server/common/class_factory.h"
#include "sample_server/common/property_source.h"
#include "sample_server/common/sample_identity.h"
#include "sample_server/server_events.h"
#include "sample_server/server_publication.h"
#include "support/unique_resource.h"

namespace tesk_sample {
namespace {

// COM activations of the class ("-Embedding", or the service started by COM)
// receive the one live object.
HRESULT HandOutLiveObject(void* context, REFIID iid, void** object) {
    return static_cast<IUnknown*>(context)->QueryInterface(iid, object);
}

// Serves incoming calls (this is an STA thread) until one of the handles is set.
void WaitServing(const std::vector<HANDLE>& handles) {
    const DWORD count = static_cast<DWORD>(handles.size());
    for (;;) {
        DWORD result = ::MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE,
                                                     QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result != WAIT_OBJECT_0 + count) return;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

}  // namespace

int RunServer(const ServerOptions& options, const RunHooks& hooks) {
    const ServerIdentity identity = IdentityOf(options.instance);

    // One process per instance: a second start ends here at once.
    ServerEvents events;
    HRESULT hr = events.CreateQuitEvent(identity);
    if (FAILED(hr)) return hr;

    tesk::UniqueComPtr<PropertySource> live(PropertySource::Create(options.value, identity.progId));
    if (!live) return E_OUTOFMEMORY;

    tesk::UniqueComPtr<IClassFactory> factory;
    hr = CreateClassFactory(HandOutLiveObject, static_cast<IUnknown*>(live.get()),
                            IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) return hr;
    tesk::UniqueClassObjectRegistration classObject;
    hr = ::CoRegisterClassObject(identity.clsid, factory.get(), CLSCTX_LOCAL_SERVER,
                                 REGCLS_MULTIPLEUSE, classObject.put());
    if (FAILED(hr)) return hr;

    LivePublication publication;
    publication.Publish(identity, options.publication, live.get());

    // The events come last: once the presence event exists the server is
    // fully up and its object can be found.
    hr = events.CreateAgentEvents(identity, options.events);
    if (FAILED(hr)) return hr;

    if (hooks.running) hooks.running(hooks.context);

    std::vector<HANDLE> handles{events.quit()};
    if (events.stop()) handles.push_back(events.stop());
    if (hooks.extraStop) handles.push_back(hooks.extraStop);
    WaitServing(handles);

    // Unwinding in reverse: not running for the agent any more, then out of
    // the tables, then no new activations, then cut off remaining clients.
    events.CloseAgentEvents();
    publication.Withdraw();
    classObject.reset();
    ::CoDisconnectObject(static_cast<IUnknown*>(live.get()), 0);
    return 0;
}

}  // namespace tesk_sample
