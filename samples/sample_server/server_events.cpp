#include "sample_server/server_events.h"

#include <sddl.h>

namespace tesk_sample {
namespace {

// Whoever may look at the server (the agent runs under an account of its own
// choosing) may wait on the presence event; SYSTEM and administrators own it.
const wchar_t kPresenceAccess[] = L"D:(A;;0x1F0003;;;SY)(A;;0x1F0003;;;BA)(A;;0x00100000;;;WD)";
// Any authenticated account may ask the server to stop, the agent's included.
// A production server that knows its agent's account may narrow this.
const wchar_t kStopAccess[] = L"D:(A;;0x1F0003;;;SY)(A;;0x1F0003;;;BA)(A;;0x1F0003;;;AU)";

HRESULT CreateNamedEvent(const std::wstring& name, const wchar_t* sddl,
                         tesk::UniqueKernelHandle& event) {
    tesk::UniqueLocalMem descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            sddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()),
            nullptr))
        return HRESULT_FROM_WIN32(::GetLastError());
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};

    const std::wstring global = L"Global\\" + name;
    event.reset(::CreateEventW(&attributes, TRUE, FALSE, global.c_str()));
    DWORD error = ::GetLastError();
    if (!event && error == ERROR_ACCESS_DENIED) {
        event.reset(::CreateEventW(&attributes, TRUE, FALSE, name.c_str()));
        error = ::GetLastError();
    }
    if (!event) return HRESULT_FROM_WIN32(error);
    if (error == ERROR_ALREADY_EXISTS) {
        event.reset();
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    }
    return S_OK;
}

}  // namespace

std::wstring PresenceEventName(const ServerIdentity& identity) {
    return identity.clsidText + L"_INPROC";
}
std::wstring StopEventName(const ServerIdentity& identity) {
    return identity.clsidText + L"_FORCE";
}
std::wstring QuitEventName(const ServerIdentity& identity) {
    return L"TeskSampleQuit" + identity.clsidText;
}

HRESULT ServerEvents::CreateQuitEvent(const ServerIdentity& identity) {
    return CreateNamedEvent(QuitEventName(identity), kStopAccess, quit_);
}

HRESULT ServerEvents::CreateAgentEvents(const ServerIdentity& identity, EventMode mode) {
    if (mode == EventMode::None) return S_OK;
    HRESULT hr = CreateNamedEvent(PresenceEventName(identity), kPresenceAccess, presence_);
    if (FAILED(hr) || mode == EventMode::Presence) return hr;
    hr = CreateNamedEvent(StopEventName(identity), kStopAccess, stop_);
    if (FAILED(hr)) presence_.reset();
    return hr;
}

void ServerEvents::CloseAgentEvents() {
    stop_.reset();
    presence_.reset();
}

}  // namespace tesk_sample
