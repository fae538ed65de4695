// The real agent process, called from this process as any client would. This
// process also plays the TeskServers: it registers test classes, creates their
// named events and NT services, and publishes its own objects.
#include <gtest/gtest.h>

#include <comcat.h>

#include <algorithm>
#include <memory>

#include "agent_object.h"
#include "agent_test_support.h"
#include "support/counted_object.h"
#include "support/test_support.h"

using tesk_test::CountedObject;
using agent_test::ScopedTestClass;
using agent_test::UnknownVariant;

namespace {

const wchar_t kLaunchFixture[] = TESK_BUILD_DIR L"\\tests\\TeskAgent\\agent\\TeskAgentTestLaunchFixture.exe";

ITesk_AgentPtr MakeAgent() {
    ITesk_AgentPtr agent;
    HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER, IID_ITesk_Agent,
                                    reinterpret_cast<void**>(&agent));
    EXPECT_EQ(hr, S_OK) << tesk_test::HrText(hr);
    return agent;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// The events a running TeskServer creates, made by this process for a test class.
struct ServerEvents {
    tesk::UniqueKernelHandle presence;
    tesk::UniqueKernelHandle stop;
};
ServerEvents CreateEvents(const ScopedTestClass& server, bool stoppable) {
    ServerEvents events;
    events.presence.reset(::CreateEventW(
        nullptr, TRUE, FALSE, (L"Global\\" + server.clsidText() + L"_INPROC").c_str()));
    if (stoppable)
        events.stop.reset(::CreateEventW(nullptr, TRUE, FALSE,
                                         (L"Global\\" + server.clsidText() + L"_FORCE").c_str()));
    return events;
}

// An NT service named by the class's user-type name, deleted at the end.
class ScopedService {
public:
    ScopedService(const ScopedTestClass& server, DWORD startType) {
        manager_.reset(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        std::wstring binary = std::wstring(L"\"") + kLaunchFixture + L"\" -service";
        service_.reset(::CreateServiceW(manager_.get(), server.userTypeName().c_str(),
                                        server.userTypeName().c_str(), SERVICE_ALL_ACCESS,
                                        SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_IGNORE,
                                        binary.c_str(), nullptr, nullptr, nullptr, nullptr,
                                        nullptr));
    }
    ~ScopedService() {
        if (service_) ::DeleteService(service_.get());
    }
    explicit operator bool() const { return static_cast<bool>(service_); }
    DWORD State() const {
        SERVICE_STATUS status = {};
        ::QueryServiceStatus(service_.get(), &status);
        return status.dwCurrentState;
    }

private:
    tesk::UniqueServiceHandle manager_;
    tesk::UniqueServiceHandle service_;
};

class AgentProcessTest : public testing::Test {
protected:
    ITesk_AgentPtr agent_ = MakeAgent();
    ITeskRotPtr rot_ = agent_ ? agent_test::RotOf(agent_) : nullptr;

    LONG Activity(const std::wstring& name) {
        LONG word = 0;
        EXPECT_EQ(agent_->IsServerActive(_bstr_t(name.c_str()), &word), S_OK);
        return word;
    }
    static ScopedTestClass& Registered(ScopedTestClass& server) {
        server.WriteClassKey();
        server.WriteProgId();
        return server;
    }
};

// ---- Tesk ROT ---------------------------------------------------------------

TEST_F(AgentProcessTest, PublishedObjectComesBackThroughAnyAgentObject) {
    ASSERT_TRUE(rot_);
    ScopedTestClass server;
    _bstr_t key(server.clsidText().c_str());
    CountedObject object;
    ASSERT_EQ(rot_->TeskRotRegister(key, UnknownVariant(&object)), S_OK);

    ITeskRotPtr other = agent_test::RotOf(MakeAgent());
    _variant_t out;
    ASSERT_EQ(other->TeskRotGetActiveObject(key, &out), S_OK);
    ASSERT_EQ(V_VT(&out), VT_UNKNOWN);
    EXPECT_EQ(V_UNKNOWN(&out), static_cast<IUnknown*>(&object))
        << "the agent hands back the object this process published";

    ASSERT_EQ(rot_->TeskRotUnRegister(key), S_OK);
    _variant_t gone;
    EXPECT_EQ(other->TeskRotGetActiveObject(key, &gone), E_FAIL);
    EXPECT_EQ(V_VT(&gone), VT_EMPTY);
}

TEST_F(AgentProcessTest, SecondRegistrationReplacesTheFirstAndReleasesIt) {
    ScopedTestClass server;
    _bstr_t key(server.clsidText().c_str());
    CountedObject first, second;
    ASSERT_EQ(rot_->TeskRotRegister(key, UnknownVariant(&first)), S_OK);
    ASSERT_GT(first.refs(), 1) << "the agent holds the first object";
    ASSERT_EQ(rot_->TeskRotRegister(key, UnknownVariant(&second)), S_OK);
    _variant_t out;
    ASSERT_EQ(rot_->TeskRotGetActiveObject(key, &out), S_OK);
    EXPECT_EQ(V_UNKNOWN(&out), static_cast<IUnknown*>(&second));
    // The release of the first travels back to this process.
    tesk::UniqueKernelHandle never(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (int i = 0; i < 50 && first.refs() != 1; ++i) tesk_test::WaitPumping(never.get(), 100);
    EXPECT_EQ(first.refs(), 1);
    rot_->TeskRotUnRegister(key);
}

TEST_F(AgentProcessTest, KeysAreCaseSensitiveEndAtTheFirstNullAndMayBeUnknown) {
    ScopedTestClass server;
    _bstr_t upper(server.clsidText().c_str());
    std::wstring lowerText = Lower(server.clsidText());
    _bstr_t lower(lowerText.c_str());
    EXPECT_EQ(rot_->TeskRotUnRegister(upper), S_OK);
    EXPECT_EQ(rot_->TeskRotUnRegister(nullptr), S_OK);
    CountedObject object;
    ASSERT_EQ(rot_->TeskRotRegister(lower, UnknownVariant(&object)), S_OK);
    _variant_t out;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(upper, &out), E_FAIL);
    EXPECT_EQ(rot_->TeskRotGetActiveObject(lower, &out), S_OK);
    // A BSTR with text after an embedded null names the text before it.
    std::wstring withTail = lowerText + L'\0' + L"tail";
    tesk::UniqueSysString tailed(
        ::SysAllocStringLen(withTail.data(), static_cast<UINT>(withTail.size())));
    _variant_t again;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(tailed.get(), &again), S_OK);
    EXPECT_EQ(rot_->TeskRotUnRegister(lower), S_OK);
}

// ---- Activity, start and stop -------------------------------------------------

TEST_F(AgentProcessTest, ActivityWordsOfProcessServers) {
    ScopedTestClass server;
    Registered(server);
    EXPECT_EQ(Activity(server.progId()), 0x00010001);
    {
        ServerEvents running = CreateEvents(server, false);
        ASSERT_TRUE(running.presence);
        EXPECT_EQ(Activity(server.progId()), 0x00010002);
    }
    {
        ServerEvents stoppable = CreateEvents(server, true);
        ASSERT_TRUE(stoppable.stop);
        EXPECT_EQ(Activity(server.clsidText()), 0x00010003);
        EXPECT_EQ(Activity(Lower(server.clsidText())), 0x00010003);
    }
    EXPECT_EQ(Activity(server.progId()), 0x00010001) << "the events are gone with the server";
}

TEST_F(AgentProcessTest, ActivityWordsOfServiceServers) {
    ScopedTestClass demand, automatic;
    Registered(demand);
    Registered(automatic);
    ScopedService demandService(demand, SERVICE_DEMAND_START);
    ScopedService autoService(automatic, SERVICE_AUTO_START);
    ASSERT_TRUE(demandService && autoService) << ::GetLastError();
    EXPECT_EQ(Activity(demand.progId()), 0x00020001);
    EXPECT_EQ(Activity(automatic.progId()), 0x00040001);
    ServerEvents running = CreateEvents(demand, true);
    EXPECT_EQ(Activity(demand.progId()), 0x00020003);
}

TEST_F(AgentProcessTest, StopSetsTheStopEventOnly) {
    ScopedTestClass server;
    Registered(server);
    ScopedService service(server, SERVICE_DEMAND_START);
    ServerEvents events = CreateEvents(server, true);
    ASSERT_EQ(::WaitForSingleObject(events.stop.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(agent_->StopServer(_bstr_t(server.progId().c_str())), S_OK);
    EXPECT_EQ(::WaitForSingleObject(events.stop.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(events.presence.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED))
        << "the Service Control Manager is not asked";
}

TEST_F(AgentProcessTest, StopOfAPresenceOnlyServerDoesNothing) {
    ScopedTestClass server;
    Registered(server);
    ServerEvents events = CreateEvents(server, false);
    EXPECT_EQ(agent_->StopServer(_bstr_t(server.clsidText().c_str())), S_OK);
    EXPECT_EQ(::WaitForSingleObject(events.presence.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(Activity(server.progId()), 0x00010002);
    ScopedTestClass notRunning;
    Registered(notRunning);
    EXPECT_EQ(agent_->StopServer(_bstr_t(notRunning.progId().c_str())), S_OK);
}

TEST_F(AgentProcessTest, StartLaunchesTheRegisteredCommandLineOnEveryCall) {
    ScopedTestClass server;
    Registered(server);
    std::wstring counterName = L"Global\\TeskAgentTest.Launches." + server.clsidText();
    tesk::UniqueKernelHandle launches(::CreateSemaphoreW(nullptr, 0, 10, counterName.c_str()));
    ASSERT_TRUE(launches);
    server.WriteLocalServer(std::wstring(L"\"") + kLaunchFixture + L"\" " + counterName);
    ServerEvents running = CreateEvents(server, true);  // already running: started all the same
    for (int call = 0; call < 2; ++call) {
        DWORD before = ::GetTickCount();
        ASSERT_EQ(agent_->StartServer(_bstr_t(server.progId().c_str())), S_OK);
        EXPECT_LT(::GetTickCount() - before, 10000u) << "the agent does not wait for the server";
        EXPECT_EQ(::WaitForSingleObject(launches.get(), 30000), WAIT_OBJECT_0) << "call " << call;
    }
    EXPECT_EQ(::WaitForSingleObject(launches.get(), 2000), static_cast<DWORD>(WAIT_TIMEOUT))
        << "one process per call";
}

TEST_F(AgentProcessTest, StartWithoutLocalServerFails) {
    ScopedTestClass server;
    Registered(server);
    EXPECT_EQ(agent_->StartServer(_bstr_t(server.progId().c_str())), E_FAIL);
}

// ---- Discovery and connection ----------------------------------------------------

struct ServerList {
    std::vector<std::wstring> names, guids;
    std::vector<LONG> words;
    agent_test::ArrayShape shapes[3];
};

ServerList ListServers(ITesk_Agent* agent) {
    SAFEARRAY *names = nullptr, *guids = nullptr, *words = nullptr;
    ServerList list;
    HRESULT hr = agent->GetInstalledServers(&names, &guids, &words);
    EXPECT_EQ(hr, S_OK) << tesk_test::HrText(hr);
    tesk::UniqueSafeArray ownNames(names), ownGuids(guids), ownWords(words);
    list.shapes[0] = agent_test::ShapeOf(names);
    list.shapes[1] = agent_test::ShapeOf(guids);
    list.shapes[2] = agent_test::ShapeOf(words);
    list.names = agent_test::Strings(names);
    list.guids = agent_test::Strings(guids);
    list.words = agent_test::Longs(words);
    return list;
}

// Classes in the TeskServer category that have a ProgID, as the platform lists them.
_COM_SMARTPTR_TYPEDEF(ICatInformation, __uuidof(ICatInformation));
_COM_SMARTPTR_TYPEDEF(IEnumCLSID, __uuidof(IEnumCLSID));

size_t CategoryClassesWithProgId() {
    ICatInformationPtr categories;
    if (FAILED(::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICatInformation, reinterpret_cast<void**>(&categories))))
        return 0;
    CATID category;
    ::CLSIDFromString(const_cast<wchar_t*>(agent_test::kTeskServerCategory), &category);
    IEnumCLSIDPtr classes;
    size_t count = 0;
    if (SUCCEEDED(categories->EnumClassesOfCategories(1, &category, 0, nullptr, &classes))) {
        CLSID clsid;
        while (classes->Next(1, &clsid, nullptr) == S_OK) {
            tesk::UniqueCoTaskString progId;
            if (SUCCEEDED(::ProgIDFromCLSID(clsid, progId.put()))) ++count;
        }
    }
    return count;
}

// Three parallel one-dimensional arrays with lower bound 0, one element per
// category class with a ProgID (the prefix always has the sample servers, so
// an empty listing is seen only as the valid empty arrays of the array tests).
TEST_F(AgentProcessTest, ListingShowsEachServerWithItsActivityAndSkipsClassesWithoutProgId) {
    ScopedTestClass idle, running, noProgId;
    for (ScopedTestClass* server : {&idle, &running}) {
        Registered(*server);
        server->WriteCategory(agent_test::kTeskServerCategory);
    }
    noProgId.WriteClassKey();
    noProgId.WriteCategory(agent_test::kTeskServerCategory);
    ServerEvents events = CreateEvents(running, true);

    ServerList list = ListServers(agent_);
    const VARTYPE types[] = {VT_BSTR, VT_BSTR, VT_I4};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.shapes[i].type, types[i]);
        EXPECT_EQ(list.shapes[i].dims, 1u);
        EXPECT_EQ(list.shapes[i].lower, 0);
    }
    EXPECT_EQ(list.names.size(), CategoryClassesWithProgId());
    ASSERT_EQ(list.guids.size(), list.names.size());
    ASSERT_EQ(list.words.size(), list.names.size());
    auto find = [&](const ScopedTestClass& server) {
        return std::find(list.guids.begin(), list.guids.end(), server.clsidText()) -
               list.guids.begin();
    };
    size_t idleAt = find(idle), runningAt = find(running);
    ASSERT_LT(idleAt, list.guids.size());
    ASSERT_LT(runningAt, list.guids.size());
    EXPECT_EQ(list.names[idleAt], idle.progId());
    EXPECT_EQ(list.words[idleAt], 0x00010001);
    EXPECT_EQ(list.names[runningAt], running.progId());
    EXPECT_EQ(list.words[runningAt], 0x00010003);
    EXPECT_EQ(static_cast<size_t>(find(noProgId)), list.guids.size());
}

// ---- 32-bit servers: classes in the 32-bit registry view -------------------------

constexpr REGSAM k32 = KEY_WOW64_32KEY;

enum class Run { Stopped, Running, Stoppable };
struct ViewCase {
    const char* what;
    REGSAM view, progIdView;
    Run run;
    DWORD serviceStart;  // 0: no service
    LONG word;
};
const ViewCase kViewCases[] = {
    {"32-bit, stopped", k32, k32, Run::Stopped, 0, 0x00010001},
    {"32-bit, running, shared ProgID", k32, 0, Run::Running, 0, 0x00010002},
    {"32-bit, stoppable", k32, k32, Run::Stoppable, 0, 0x00010003},
    {"32-bit, demand-start service", k32, 0, Run::Stopped, SERVICE_DEMAND_START, 0x00020001},
    {"32-bit, running auto-start service", k32, k32, Run::Stoppable, SERVICE_AUTO_START,
     0x00040003},
    {"64-bit, demand-start service", 0, 0, Run::Stoppable, SERVICE_DEMAND_START, 0x00020003},
};

TEST_F(AgentProcessTest, ServersOfBothViewsAreListedOnceWithTheirActivity) {
    std::vector<std::unique_ptr<ScopedTestClass>> servers;
    std::vector<std::unique_ptr<ScopedService>> services;
    std::vector<ServerEvents> events;
    for (const ViewCase& c : kViewCases) {
        servers.push_back(std::make_unique<ScopedTestClass>(c.view));
        ScopedTestClass& server = *servers.back();
        server.WriteClassKey();
        server.WriteProgId(c.progIdView);
        server.WriteCategory(agent_test::kTeskServerCategory);
        if (c.run != Run::Stopped) events.push_back(CreateEvents(server, c.run == Run::Stoppable));
        if (c.serviceStart) {
            services.push_back(std::make_unique<ScopedService>(server, c.serviceStart));
            ASSERT_TRUE(*services.back()) << c.what;
        }
    }
    // One class in both views: listed once, with the 64-bit view's entries.
    ScopedTestClass both;
    Registered(both);
    both.WriteCategory(agent_test::kTeskServerCategory);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, both.ClassKeyPath() + L"\\ProgID", nullptr,
                           L"TeskAgentTest.Other32.1", k32);
    tesk_test::WriteString(HKEY_CLASSES_ROOT,
                           both.ClassKeyPath() + L"\\Implemented Categories\\" +
                               agent_test::kTeskServerCategory,
                           nullptr, L"", k32);

    ServerList list = ListServers(agent_);
    ASSERT_EQ(list.words.size(), list.names.size());
    auto check = [&](const ScopedTestClass& server, LONG word) {
        auto at = std::find(list.guids.begin(), list.guids.end(), server.clsidText());
        ASSERT_NE(at, list.guids.end());
        EXPECT_EQ(std::count(list.guids.begin(), list.guids.end(), server.clsidText()), 1);
        size_t index = static_cast<size_t>(at - list.guids.begin());
        EXPECT_EQ(list.names[index], server.progId());
        EXPECT_EQ(list.words[index], word);
        EXPECT_EQ(Activity(server.progId()), word);
        EXPECT_EQ(Activity(server.clsidText()), word);
    };
    for (size_t i = 0; i < servers.size(); ++i) {
        SCOPED_TRACE(kViewCases[i].what);
        check(*servers[i], kViewCases[i].word);
    }
    check(both, 0x00010001);
}

TEST_F(AgentProcessTest, A32BitServerIsStartedStoppedAndConnected) {
    for (REGSAM progIdView : {REGSAM{0}, k32}) {
        SCOPED_TRACE(progIdView);
        ScopedTestClass server(k32);
        server.WriteClassKey();
        server.WriteProgId(progIdView);
        server.WriteNamedValue(L"LocalServer32", L"C:\\Tesk\\x86.cfg");
        std::wstring counterName = L"Global\\TeskAgentTest.Launches." + server.clsidText();
        tesk::UniqueKernelHandle launches(::CreateSemaphoreW(nullptr, 0, 10, counterName.c_str()));
        server.WriteLocalServer(std::wstring(L"\"") + kLaunchFixture + L"\" " + counterName);
        _bstr_t name(server.progId().c_str());

        ASSERT_EQ(agent_->StartServer(name), S_OK);
        EXPECT_EQ(::WaitForSingleObject(launches.get(), 30000), WAIT_OBJECT_0);
        ServerEvents events = CreateEvents(server, true);
        EXPECT_EQ(agent_->StopServer(name), S_OK);
        EXPECT_EQ(::WaitForSingleObject(events.stop.get(), 10000), WAIT_OBJECT_0);

        CountedObject object;
        ASSERT_EQ(rot_->TeskRotRegister(_bstr_t(server.clsidText().c_str()),
                                        UnknownVariant(&object)),
                  S_OK);
        tesk::UniqueComPtr<IUnknown> found;
        EXPECT_EQ(agent_->Connect(name, found.put()), S_OK);
        EXPECT_EQ(found.get(), static_cast<IUnknown*>(&object));
        found.reset();
        rot_->TeskRotUnRegister(_bstr_t(server.clsidText().c_str()));
        _bstr_t config;
        EXPECT_EQ(agent_->GetActiveConfigFile(name, config.GetAddress()), S_OK);
        EXPECT_EQ(std::wstring(config.length() ? static_cast<const wchar_t*>(config) : L""),
                  L"C:\\Tesk\\x86.cfg");
    }
}

TEST_F(AgentProcessTest, ConnectByProgIdOrClsidTextThroughTheTeskRot) {
    ScopedTestClass server;
    Registered(server);
    CountedObject object;
    ASSERT_EQ(rot_->TeskRotRegister(_bstr_t(server.clsidText().c_str()), UnknownVariant(&object)),
              S_OK);
    for (const std::wstring& name : {server.progId(), server.clsidText(), Lower(server.clsidText())}) {
        SCOPED_TRACE(name);
        tesk::UniqueComPtr<IUnknown> found;
        ASSERT_EQ(agent_->Connect(_bstr_t(name.c_str()), found.put()), S_OK);
        EXPECT_EQ(found.get(), static_cast<IUnknown*>(&object));
    }
    rot_->TeskRotUnRegister(_bstr_t(server.clsidText().c_str()));
}

TEST_F(AgentProcessTest, ConnectFallsBackToThePlatformTable) {
    ScopedTestClass server;
    Registered(server);
    CountedObject object;
    tesk::UniqueActiveObjectRegistration cookie;
    ASSERT_EQ(
        ::RegisterActiveObject(&object, server.clsid(), ACTIVEOBJECT_STRONG, cookie.put()), S_OK);
    tesk::UniqueComPtr<IUnknown> found;
    EXPECT_EQ(agent_->Connect(_bstr_t(server.progId().c_str()), found.put()), S_OK);
    EXPECT_EQ(found.get(), static_cast<IUnknown*>(&object));
    found.reset();
    cookie.reset();

    EXPECT_EQ(agent_->Connect(_bstr_t(server.progId().c_str()), found.put()), MK_E_UNAVAILABLE)
        << "in neither table";
}

TEST_F(AgentProcessTest, UnknownAndNullServerNames) {
    _bstr_t unknown(L"TeskAgentTest.NotInstalled.1");
    for (BSTR name : {static_cast<BSTR>(nullptr), unknown.GetBSTR()}) {
        LONG word = 0;
        EXPECT_EQ(agent_->IsServerActive(name, &word), S_OK);
        EXPECT_EQ(word, 0x00010004);
        tesk::UniqueComPtr<IUnknown> server;
        EXPECT_EQ(agent_->Connect(name, server.put()), E_FAIL);
        EXPECT_EQ(agent_->StartServer(name), E_FAIL);
        EXPECT_EQ(agent_->StopServer(name), E_FAIL);
        tesk::UniqueSysString config;
        EXPECT_EQ(agent_->GetActiveConfigFile(name, config.put()), S_OK);
        ASSERT_NE(config.get(), nullptr) << "an empty string, not null";
        EXPECT_EQ(std::wstring(config.get()), L"");
    }
}

TEST_F(AgentProcessTest, AgentOnTheLocalNodeByName) {
    wchar_t node[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD chars = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(::GetComputerNameW(node, &chars));
    tesk::UniqueComPtr<IUnknown> remote;
    ASSERT_EQ(agent_->GetTeskAgentOnRemoteNode(_bstr_t(node), remote.put()), S_OK);
    ITesk_AgentPtr other;
    ASSERT_EQ(remote->QueryInterface(IID_ITesk_Agent, reinterpret_cast<void**>(&other)),
              S_OK);
    remote.reset();
    EXPECT_EQ(LONG{0x00010004}, [&] {
        LONG word = 0;
        other->IsServerActive(_bstr_t(L"TeskAgentTest.NotInstalled.1"), &word);
        return word;
    }());
}

// Takes a class registration out of HKCR for the scope and puts it back afterwards.
class ScopedClassRemoval {
public:
    explicit ScopedClassRemoval(const std::wstring& classKey)
        : classKey_(classKey), backup_(L"ClassRemoval") {
        ::RegCopyTreeW(HKEY_CLASSES_ROOT, classKey_.c_str(), backup_.get());
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, classKey_);
    }
    ~ScopedClassRemoval() {
        tesk::UniqueRegKey restored;
        ::RegCreateKeyExW(HKEY_CLASSES_ROOT, classKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, restored.put(), nullptr);
        ::RegCopyTreeW(backup_.get(), nullptr, restored.get());
    }

private:
    std::wstring classKey_;
    tesk_test::ScopedTestKey backup_;
};

TEST_F(AgentProcessTest, ConfiguratorThatIsNotRegisteredIsARaisedFailure) {
    ScopedClassRemoval removal(L"CLSID\\{9AD0F380-153F-4F86-8740-47EDE1721473}");
    IUnknown* configurator = nullptr;
    EXPECT_EQ(agent_->GetConfigurator(&configurator), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(configurator, nullptr);
}

}  // namespace
