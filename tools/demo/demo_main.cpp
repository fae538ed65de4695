// TeskDemo.exe: the agent's main job, shown from a client's side. It registers
// sample TeskServer instance 1, then through an agent object lists the
// installed servers with their activity, starts the sample, connects to it,
// reads its property, reaches the configurator, stops the sample and removes
// its registration again. Every call's HRESULT is printed as it came back.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TeskAgent_h.h"
#include "TeskSample_h.h"
#include "demo/demo_report.h"
#include "demo/dispatch_call.h"
#include "support/unique_resource.h"

namespace {

const wchar_t kSampleProgId[] = L"TeskSample.Server1.1";

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder = path;
    for (int up = 0; up < 3; ++up) folder = folder.substr(0, folder.find_last_of(L'\\'));
    return folder;  // <build>\tools\demo\TeskDemo.exe -> <build>
}

long RunAndWait(std::wstring commandLine) {
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return -1;
    tesk::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    ::WaitForSingleObject(process.get(), 60000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

std::vector<std::wstring> Strings(SAFEARRAY* array) {
    std::vector<std::wstring> out;
    LONG lower = 0, upper = -1;
    if (!array || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return out;
    for (LONG i = lower; i <= upper; ++i) {
        tesk::UniqueSysString item;
        ::SafeArrayGetElement(array, &i, item.put());
        out.push_back(item ? item.get() : L"");
    }
    return out;
}

std::vector<long> Longs(SAFEARRAY* array) {
    std::vector<long> out;
    LONG lower = 0, upper = -1;
    if (!array || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return out;
    for (LONG i = lower; i <= upper; ++i) {
        long item = 0;
        ::SafeArrayGetElement(array, &i, &item);
        out.push_back(item);
    }
    return out;
}

void ShowDispatch(IDispatch* dispatch) {
    std::wprintf(L"\n== through IDispatch (GetIDsOfNames + Invoke)\n");
    std::vector<VARIANT> args(2);
    long activity = 0;
    tesk::UniqueSysString name(::SysAllocString(kSampleProgId));
    args[0].vt = VT_BSTR;
    args[0].bstrVal = name.get();
    args[1].vt = VT_BYREF | VT_I4;
    args[1].plVal = reinterpret_cast<LONG*>(&activity);
    DISPID dispid = DISPID_UNKNOWN;
    std::wstring exception;
    HRESULT hr = InvokeByName(dispatch, L"IsServerActive", args, &dispid, &exception);
    std::wprintf(L"  IsServerActive has DISPID 0x%08lX\n", static_cast<unsigned long>(dispid));
    Step(L"Invoke IsServerActive(\"TeskSample.Server1.1\")", hr);
    if (SUCCEEDED(hr)) std::wprintf(L"    activity %ls\n", ActivityText(activity).c_str());
    if (!exception.empty()) std::wprintf(L"    exception text: %ls\n", exception.c_str());
}

void ListServers(ITesk_Agent* agent) {
    std::wprintf(L"\n== installed TeskServers (GetInstalledServers)\n");
    SAFEARRAY *names = nullptr, *guids = nullptr, *activity = nullptr;
    HRESULT hr = agent->GetInstalledServers(&names, &guids, &activity);
    tesk::UniqueSafeArray namesOwner(names), guidsOwner(guids), activityOwner(activity);
    Step(L"GetInstalledServers", hr);
    if (FAILED(hr)) return;
    const auto progIds = Strings(names);
    const auto clsids = Strings(guids);
    const auto words = Longs(activity);
    std::wprintf(L"    %zu server(s)\n", progIds.size());
    for (size_t i = 0; i < progIds.size(); ++i)
        std::wprintf(L"    %-24ls %ls  %ls\n", progIds[i].c_str(),
                     i < clsids.size() ? clsids[i].c_str() : L"?",
                     i < words.size() ? ActivityText(words[i]).c_str() : L"(no activity)");
}

long Activity(ITesk_Agent* agent, BSTR name) {
    long activity = 0;
    agent->IsServerActive(name, &activity);
    return activity;
}

// Polls the activity until the wanted state shows, for up to timeoutMs.
long WaitForState(ITesk_Agent* agent, BSTR name, long state, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    long activity = Activity(agent, name);
    while ((activity & 0xFFFF) != state && ::GetTickCount() - start < timeoutMs) {
        ::Sleep(200);
        activity = Activity(agent, name);
    }
    return activity;
}

void ShowServerInfo(ITesk_Agent* agent, BSTR name) {
    tesk::UniqueComPtr<ITeskServerInfo> info;
    HRESULT hr = agent->QueryInterface(IID_ITeskServerInfo, reinterpret_cast<void**>(info.put()));
    Step(L"QueryInterface ITeskServerInfo", hr);
    if (FAILED(hr)) return;

    tesk::UniqueSafeArray ids(::SafeArrayCreateVector(VT_I4, 0, 4));
    for (LONG i = 0; i < 4; ++i) {
        long id = i + 1;
        ::SafeArrayPutElement(ids.get(), &i, &id);
    }
    SAFEARRAY *values = nullptr, *errors = nullptr;
    hr = info->GetTeskServerProperties(name, ids.get(), &values, &errors);
    tesk::UniqueSafeArray valuesOwner(values), errorsOwner(errors);
    Step(L"GetTeskServerProperties(1, 2, 3, 4)", hr);
    if (SUCCEEDED(hr) && values) {
        const auto errorList = Longs(errors);
        LONG upper = -1;
        ::SafeArrayGetUBound(values, 1, &upper);
        for (LONG i = 0; i <= upper; ++i) {
            tesk::UniqueVariant value;
            ::SafeArrayGetElement(values, &i, value.get());
            tesk::UniqueVariant text;
            ::VariantChangeType(text.get(), value.get(), 0, VT_BSTR);
            std::wprintf(L"    property %ld = %ls (%ls)\n", i + 1,
                         text->vt == VT_BSTR ? text->bstrVal : L"<empty>",
                         i < static_cast<LONG>(errorList.size())
                             ? HrText(errorList[i]).c_str() : L"?");
        }
    }

    const wchar_t* wanted[] = {L"FilePath", L"FileVersion", L"TeskToolkitVersion",
                               L"TeskToolkitBuildDate", L"TeskEngineProgID", L"CreationDate"};
    tesk::UniqueSafeArray names(::SafeArrayCreateVector(VT_BSTR, 0, 6));
    for (LONG i = 0; i < 6; ++i) {
        tesk::UniqueSysString item(::SysAllocString(wanted[i]));
        ::SafeArrayPutElement(names.get(), &i, item.get());
    }
    // The executable (LocalServer32) and the in-process module (InprocServer32).
    for (const wchar_t* serverType : {L"LOCAL", L"INPROC"}) {
        tesk::UniqueSysString type(::SysAllocString(serverType));
        SAFEARRAY *attributes = nullptr, *attributeErrors = nullptr;
        hr = info->GetVersionAttributes(name, type.get(), names.get(), &attributes,
                                              &attributeErrors);
        tesk::UniqueSafeArray attributesOwner(attributes), attributeErrorsOwner(attributeErrors);
        const std::wstring step = std::wstring(L"GetVersionAttributes(") + serverType + L", ...)";
        Step(step.c_str(), hr);
        if (FAILED(hr)) continue;
        const auto texts = Strings(attributes);
        const auto codes = Longs(attributeErrors);
        for (size_t i = 0; i < texts.size() && i < 6; ++i)
            std::wprintf(L"    %-22ls %ls (%ls)\n", wanted[i], texts[i].c_str(),
                         i < codes.size() ? HrText(codes[i]).c_str() : L"?");
    }
}

void ShowConfigurator(ITesk_Agent* agent) {
    std::wprintf(L"\n== the configurator (GetConfigurator)\n");
    tesk::UniqueComPtr<IUnknown> configurator;
    HRESULT hr = agent->GetConfigurator(configurator.put());
    Step(L"GetConfigurator", hr);
    if (FAILED(hr) || !configurator) return;
    tesk::UniqueComPtr<IIOSrvCfgPersist> persist;
    tesk::UniqueComPtr<IIoSrvCfgRules> rules;
    Step(L"QueryInterface IIOSrvCfgPersist",
         configurator->QueryInterface(IID_IIOSrvCfgPersist,
                                            reinterpret_cast<void**>(persist.put())));
    Step(L"QueryInterface IIoSrvCfgRules",
         configurator->QueryInterface(IID_IIoSrvCfgRules,
                                            reinterpret_cast<void**>(rules.put())));
    if (!persist) return;
    tesk::UniqueSysString server(::SysAllocString(kSampleProgId));
    tesk::UniqueSysString file(::SysAllocString(L"C:\\TeskSample\\plant.cfg"));
    Step(L"SetCfgFileName", persist->SetCfgFileName(server.get(), file.get()));
    tesk::UniqueSysString readBack;
    Step(L"GetCfgFileName", persist->GetCfgFileName(server.get(), readBack.put()));
    std::wprintf(L"    configuration file: %ls\n", readBack.get() ? readBack.get() : L"");
}

}  // namespace

int wmain() {
    ::CoInitialize(nullptr);
    const std::wstring sample = BuildFolder() + L"\\samples\\sample_server\\TeskSampleServer.exe";

    std::wprintf(L"== registering sample TeskServer instance 1\n");
    Step(L"TeskSampleServer -RegServer -instance 1",
         static_cast<HRESULT>(RunAndWait(L"\"" + sample + L"\" -RegServer -instance 1")));

    tesk::UniqueComPtr<IDispatch> dispatch;
    HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                    reinterpret_cast<void**>(dispatch.put()));
    std::wprintf(L"\n== the agent\n");
    Step(L"CoCreateInstance TeskAgent.Tesk_Agent (IDispatch)", hr);
    if (FAILED(hr)) {
        ::CoUninitialize();
        return 1;
    }
    tesk::UniqueComPtr<ITesk_Agent> agent;
    Step(L"QueryInterface ITesk_Agent",
         dispatch->QueryInterface(IID_ITesk_Agent, reinterpret_cast<void**>(agent.put())));
    ShowDispatch(dispatch.get());
    if (!agent) {
        ::CoUninitialize();
        return 1;
    }
    ListServers(agent.get());

    tesk::UniqueSysString name(::SysAllocString(kSampleProgId));
    std::wprintf(L"\n== starting, connecting, stopping %ls\n", kSampleProgId);
    Step(L"StartServer", agent->StartServer(name.get()));
    const DWORD started = ::GetTickCount();
    long activity = WaitForState(agent.get(), name.get(), 3, 15000);
    std::wprintf(L"    activity %ls after %lu ms\n", ActivityText(activity).c_str(),
                 ::GetTickCount() - started);
    ListServers(agent.get());

    std::wprintf(L"\n== connecting\n");
    tesk::UniqueComPtr<IUnknown> server;
    Step(L"Connect(\"TeskSample.Server1.1\")", agent->Connect(name.get(), server.put()));
    if (server) {
        tesk::UniqueComPtr<IServerPropertySource> source;
        hr = server->QueryInterface(IID_IServerPropertySource,
                                          reinterpret_cast<void**>(source.put()));
        Step(L"QueryInterface IServerPropertySource", hr);
        long value = 0;
        if (source) {
            Step(L"GetLongValue", source->GetLongValue(&value));
            std::wprintf(L"    the server's property: %ld\n", value);
        }
    }
    server.reset();
    ShowServerInfo(agent.get(), name.get());
    ShowConfigurator(agent.get());

    std::wprintf(L"\n== stopping\n");
    Step(L"StopServer", agent->StopServer(name.get()));
    const DWORD stopped = ::GetTickCount();
    activity = WaitForState(agent.get(), name.get(), 1, 15000);
    std::wprintf(L"    activity %ls after %lu ms\n", ActivityText(activity).c_str(),
                 ::GetTickCount() - stopped);

    agent.reset();
    dispatch.reset();
    std::wprintf(L"\n== removing sample TeskServer instance 1\n");
    Step(L"TeskSampleServer -UnregServer -instance 1",
         static_cast<HRESULT>(RunAndWait(L"\"" + sample + L"\" -UnregServer -instance 1")));
    ::CoUninitialize();
    return 0;
}
