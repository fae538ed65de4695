#include "agent/server_activity.h"

#include <cwchar>
#include <string>

#include "agent/server_events.h"
#include "agent/server_service.h"
#include "diagnostics/com_eh.h"
#include "interfaces/ClassUtilities/ServerCommandLine.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

HRESULT ReportServerActivity(const wchar_t* serverName, LONG* activeContext) {
    *activeContext = activity::kNoService | activity::kNotRunning;
    return ReportActivityOf(TeskAgentHelpers::ResolveServer(serverName), activeContext);
}

HRESULT ReportActivityOf(const TeskAgentHelpers::ServerIdentity& server, LONG* activeContext,
                         const service_manager::InstalledServices* installed) {
    const CLSID& clsid = server.clsid;
    if (!server.IsKnown()) {
        *activeContext = activity::kNoService | activity::kUnknownServer;
        return S_OK;
    }

    LONG state = activity::kNotRunning;
    LONG mode = activity::kNoService;
    // Event names always carry the upper-case form StringFromCLSID writes,
    // whatever form the client used.
    tesk::UniqueCoTaskString clsidText;
    tesk::UniqueKernelHandle stopEvent;  // held until the word is stored
    if (SUCCEEDED(::StringFromCLSID(clsid, clsidText.put()))) {
        wchar_t name[256];  // event names: a CLSID string and a short suffix
        std::swprintf(name, std::size(name), L"%ls%ls", clsidText.get(), kPresenceEventSuffix);
        tesk::UniqueKernelHandle presence = OpenNamedEvent(SYNCHRONIZE, TRUE, name);
        if (presence) {
            state = activity::kRunning;
            std::swprintf(name, std::size(name), L"%ls%ls", clsidText.get(), kStopEventSuffix);
            stopEvent = OpenNamedEvent(EVENT_ALL_ACCESS, TRUE, name);
            presence.reset();
            if (stopEvent) state = activity::kRunningStoppable;
        }
    }

    DWORD startType = 0;
    if (SUCCEEDED(QueryServerStartType(server, &startType, installed))) {
        if (startType == SERVICE_DEMAND_START) mode = activity::kDemandStartService;
        if (startType == SERVICE_AUTO_START) mode = activity::kAutoStartService;
    }
    *activeContext = mode | state;
    return S_OK;
}

HRESULT StartTeskServer(const wchar_t* serverName) {
    TeskAgentHelpers::ServerIdentity server = TeskAgentHelpers::ResolveServer(serverName);
    if (!server.IsKnown()) TESK_RAISE(E_FAIL);
    // A service is only asked to start; whether it does is not reported.
    if (tesk::UniqueServiceHandle service = OpenServerService(server)) {
        ::StartServiceW(service.get(), 0, nullptr);
        return S_OK;
    }

    std::wstring exe, args;
    if (FAILED(SplitServerCommandLine(TeskAgentHelpers::GetLocalServerCommandLine(server), exe,
                                      args)))
        TESK_RAISE(E_FAIL);

    // The executable is named outright and quoted in the command line, so a
    // program planted where a path with a blank could be cut short never
    // runs. A new process on every call, even when one already runs; the agent
    // does not wait for it and keeps none of its handles.
    std::wstring commandLine = QuotedCommandLine(exe, args);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION launched = {};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &launched))
        TESK_RAISE(E_FAIL);
    tesk::UniqueKernelHandle process(launched.hProcess);
    tesk::UniqueKernelHandle thread(launched.hThread);
    return S_OK;
}

HRESULT StopTeskServer(const wchar_t* serverName) {
    CLSID clsid = TeskAgentHelpers::GetServerGuid(serverName);
    if (clsid == GUID_NULL) TESK_RAISE(E_FAIL);

    wchar_t name[64];
    {
        tesk::UniqueCoTaskString clsidText;
        if (FAILED(::StringFromCLSID(clsid, clsidText.put()))) return S_OK;
        std::swprintf(name, 64, L"%ls%ls", clsidText.get(), kStopEventSuffix);
    }
    // A server without a stop event (presence only, or not running) is left alone.
    if (tesk::UniqueKernelHandle stopEvent = OpenNamedEvent(EVENT_ALL_ACCESS, TRUE, name))
        ::SetEvent(stopEvent.get());
    return S_OK;
}
