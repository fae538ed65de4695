// The real agent process, called from this process as any client would. This
// process also plays the TeskServers: it registers test classes, creates their
// named events and NT services, and publishes its own objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "agent_object.h"
#include "agent_test_support.h"
#include "services/service_fixture.h"
#include "support/counted_object.h"
#include "support/test_support.h"

using tesk_test::CountedObject;
using agent_test::ScopedTestClass;
using agent_test::UnknownVariant;
using tesk_test::Lower;

namespace {

const wchar_t kLaunchFixture[] = TESK_BUILD_DIR L"\\tests\\TeskAgent\\agent\\TeskAgentTestLaunchFixture.exe";

ITesk_AgentPtr MakeAgent() {
    ITesk_AgentPtr agent;
    HRESULT hr = tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent));
    EXPECT_EQ(hr, S_OK) << tesk_test::HrText(hr);
    return agent;
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

// The NT service of a test class is named by its user-type name.
using services_test::ScopedService;
const std::wstring kServiceBinary = std::wstring(L"\"") + kLaunchFixture + L"\" -service";

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

// A second registration replaces the first and releases it:
// tools/stress/concurrency_test.cpp (OthersAreServedWhileAReplacedObjectsReleaseBlocks).

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

// ---- Listing and activity of servers in both registry views -----------------------

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
size_t CategoryClassesWithProgId() {
    size_t count = 0;
    for (const std::wstring& text : tesk_test::ClassesOfCategory(agent_test::kTeskServerCategory)) {
        CLSID clsid;
        tesk::UniqueCoTaskString progId;
        if (SUCCEEDED(::CLSIDFromString(text.c_str(), &clsid)) &&
            SUCCEEDED(::ProgIDFromCLSID(clsid, progId.put())))
            ++count;
    }
    return count;
}

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
    {"64-bit, stopped", 0, 0, Run::Stopped, 0, 0x00010001},
    {"64-bit, running", 0, 0, Run::Running, 0, 0x00010002},
    {"64-bit, stoppable", 0, 0, Run::Stoppable, 0, 0x00010003},
    {"64-bit, demand-start service", 0, 0, Run::Stopped, SERVICE_DEMAND_START, 0x00020001},
    {"64-bit, running demand-start service", 0, 0, Run::Stoppable, SERVICE_DEMAND_START, 0x00020003},
    {"64-bit, auto-start service", 0, 0, Run::Stopped, SERVICE_AUTO_START, 0x00040001},
    {"32-bit, stopped", k32, k32, Run::Stopped, 0, 0x00010001},
    {"32-bit, running, shared ProgID", k32, 0, Run::Running, 0, 0x00010002},
    {"32-bit, stoppable", k32, k32, Run::Stoppable, 0, 0x00010003},
    {"32-bit, demand-start service", k32, 0, Run::Stopped, SERVICE_DEMAND_START, 0x00020001},
    {"32-bit, running auto-start service", k32, k32, Run::Stoppable, SERVICE_AUTO_START,
     0x00040003},
};

// Three parallel one-dimensional arrays with lower bound 0, one element per
// category class with a ProgID (the platform's, then the 32-bit view's), each
// class once, with the word IsServerActive gives by ProgID or CLSID text.
TEST_F(AgentProcessTest, ServersOfBothViewsAreListedOnceWithTheirActivity) {
    std::vector<std::unique_ptr<ScopedTestClass>> servers;
    std::vector<std::unique_ptr<ScopedService>> services;
    std::vector<ServerEvents> events;
    size_t only32 = 0;
    for (const ViewCase& c : kViewCases) {
        servers.push_back(std::make_unique<ScopedTestClass>(c.view));
        ScopedTestClass& server = *servers.back();
        server.WriteClassKey();
        server.WriteProgId(c.progIdView);
        server.WriteCategory(agent_test::kTeskServerCategory);
        only32 += c.view == k32;
        if (c.run != Run::Stopped) events.push_back(CreateEvents(server, c.run == Run::Stoppable));
        if (c.serviceStart) {
            services.push_back(std::make_unique<ScopedService>(server.userTypeName(), kServiceBinary,
                                                               c.serviceStart));
            ASSERT_TRUE(*services.back()) << c.what;
        }
    }
    // One class in both views: listed once, with the 64-bit view's entries.
    ScopedTestClass both, noProgId;
    Registered(both);
    both.WriteCategory(agent_test::kTeskServerCategory);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, both.ClassKeyPath() + L"\\ProgID", nullptr,
                           L"TeskAgentTest.Other32.1", k32);
    tesk_test::WriteString(HKEY_CLASSES_ROOT,
                           both.ClassKeyPath() + L"\\Implemented Categories\\" +
                               agent_test::kTeskServerCategory,
                           nullptr, L"", k32);
    noProgId.WriteClassKey();
    noProgId.WriteCategory(agent_test::kTeskServerCategory);
    // A class whose ProgID names another class: listed with the other's activity.
    ScopedTestClass alias(k32);
    alias.WriteClassKey();
    alias.WriteCategory(agent_test::kTeskServerCategory);
    tesk_test::WriteString(HKEY_CLASSES_ROOT, alias.ClassKeyPath() + L"\\ProgID", nullptr,
                           servers[1]->progId().c_str(), k32);

    ServerList list = ListServers(agent_);
    const VARTYPE types[] = {VT_BSTR, VT_BSTR, VT_I4};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.shapes[i].type, types[i]);
        EXPECT_EQ(list.shapes[i].dims, 1u);
        EXPECT_EQ(list.shapes[i].lower, 0);
    }
    EXPECT_EQ(list.names.size(), CategoryClassesWithProgId() + only32 + 1);
    ASSERT_EQ(list.guids.size(), list.names.size());
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
        EXPECT_EQ(Activity(Lower(server.clsidText())), word);
    };
    for (size_t i = 0; i < servers.size(); ++i) {
        SCOPED_TRACE(kViewCases[i].what);
        check(*servers[i], kViewCases[i].word);
    }
    check(both, 0x00010001);
    auto aliased = std::find(list.guids.begin(), list.guids.end(), alias.clsidText());
    ASSERT_NE(aliased, list.guids.end());
    EXPECT_EQ(list.words[static_cast<size_t>(aliased - list.guids.begin())], 0x00010002);
    EXPECT_EQ(std::count(list.guids.begin(), list.guids.end(), noProgId.clsidText()), 0);
    events.clear();
    EXPECT_EQ(Activity(servers[2]->progId()), 0x00010001) << "the events are gone with the server";
}

// ---- Start, stop, connection and configuration file -------------------------------

// The class and its ProgID key in the 64-bit view, or a 32-bit server's class
// with its ProgID key in the default or in the 32-bit view.
const struct Placement {
    const char* what;
    REGSAM view, progIdView;
} kPlacements[] = {{"64-bit", 0, 0}, {"32-bit, shared ProgID", k32, 0}, {"32-bit", k32, k32}};

TEST_F(AgentProcessTest, StartStopConnectAndConfigurationFileInEitherView) {
    for (const Placement& placement : kPlacements) {
        SCOPED_TRACE(placement.what);
        ScopedTestClass server(placement.view);
        server.WriteClassKey();
        server.WriteProgId(placement.progIdView);
        server.WriteNamedValue(L"LocalServer32", L"C:\\Tesk\\server.cfg");
        _bstr_t name(server.progId().c_str());
        EXPECT_EQ(agent_->StartServer(name), E_FAIL) << "no LocalServer32 key";
        server.WriteLocalServer(L"C:\\TeskAgentTest\\does-not-exist\\server.exe");
        EXPECT_EQ(agent_->StartServer(name), E_FAIL) << "a program that cannot be launched";
        EXPECT_EQ(agent_->StopServer(name), S_OK) << "not running";

        // A new process on every call, also while one runs; the agent does not wait for it.
        std::wstring counterName = L"Global\\TeskAgentTest.Launches." + server.clsidText();
        tesk::UniqueKernelHandle launches(::CreateSemaphoreW(nullptr, 0, 10, counterName.c_str()));
        ASSERT_TRUE(launches);
        server.WriteLocalServer(std::wstring(L"\"") + kLaunchFixture + L"\" " + counterName);
        ServerEvents events = CreateEvents(server, false);
        for (int call = 0; call < 2; ++call) {
            DWORD before = ::GetTickCount();
            ASSERT_EQ(agent_->StartServer(name), S_OK);
            EXPECT_LT(::GetTickCount() - before, 10000u) << "the agent does not wait for the server";
            EXPECT_EQ(::WaitForSingleObject(launches.get(), 30000), WAIT_OBJECT_0) << "call " << call;
        }
        EXPECT_EQ(::WaitForSingleObject(launches.get(), 2000), static_cast<DWORD>(WAIT_TIMEOUT))
            << "one process per call";

        // A presence-only server is left alone; otherwise only the stop event is set.
        EXPECT_EQ(agent_->StopServer(name), S_OK);
        EXPECT_EQ(::WaitForSingleObject(events.presence.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_EQ(Activity(server.progId()), 0x00010002);
        ScopedService service(server.userTypeName(), kServiceBinary, SERVICE_DEMAND_START);
        events = CreateEvents(server, true);
        ASSERT_EQ(agent_->StopServer(_bstr_t(server.clsidText().c_str())), S_OK);
        EXPECT_EQ(::WaitForSingleObject(events.stop.get(), 10000), WAIT_OBJECT_0);
        EXPECT_EQ(::WaitForSingleObject(events.presence.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED))
            << "the Service Control Manager is not asked";

        CountedObject object;
        _bstr_t key(server.clsidText().c_str());
        ASSERT_EQ(rot_->TeskRotRegister(key, UnknownVariant(&object)), S_OK);
        for (const std::wstring& by : {server.progId(), server.clsidText(), Lower(server.clsidText())}) {
            tesk::UniqueComPtr<IUnknown> found;
            EXPECT_EQ(agent_->Connect(_bstr_t(by.c_str()), found.put()), S_OK) << tesk_test::ToNarrow(by);
            EXPECT_EQ(found.get(), static_cast<IUnknown*>(&object));
            _bstr_t config;
            EXPECT_EQ(agent_->GetActiveConfigFile(_bstr_t(by.c_str()), config.GetAddress()), S_OK);
            EXPECT_EQ(std::wstring(config.length() ? static_cast<const wchar_t*>(config) : L""),
                      L"C:\\Tesk\\server.cfg");
        }
        rot_->TeskRotUnRegister(key);
    }
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

// The agent on the local node by name: teskctl_commands_test.cpp (--node).

TEST_F(AgentProcessTest, ConfiguratorThatIsNotRegisteredIsARaisedFailure) {
    const std::wstring classKey = L"CLSID\\{9AD0F380-153F-4F86-8740-47EDE1721473}";
    tesk_test::RestoredKey saved(HKEY_CLASSES_ROOT, classKey);
    tesk_test::DeleteTree(HKEY_CLASSES_ROOT, classKey);
    IUnknown* configurator = nullptr;
    EXPECT_EQ(agent_->GetConfigurator(&configurator), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(configurator, nullptr);
}

}  // namespace
