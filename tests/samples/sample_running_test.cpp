// A running sample server as the agent and its clients see it: its events in
// each mode, its live object in the Tesk ROT and the platform table, its
// property across processes, and its clean end. (The agent's Connect, StartServer
// and StopServer on it: agent_process_test.cpp and server_info_process_test.cpp.)

#include <windows.h>

#include <gtest/gtest.h>

#include "TeskAgent_h.h"
#include "TeskSample_h.h"
#include "sample_fixture.h"
#include "support/test_support.h"

using namespace sample_test;

namespace {

// The property through IServerPropertySource of whatever object was obtained.
HRESULT ReadProperty(IUnknown* object, long* value, std::wstring* name = nullptr) {
    tesk::UniqueComPtr<IServerPropertySource> source;
    HRESULT hr =
        object->QueryInterface(IID_IServerPropertySource, reinterpret_cast<void**>(source.put()));
    if (FAILED(hr)) return hr;
    hr = source->GetLongValue(value);
    if (FAILED(hr) || !name) return hr;
    tesk::UniqueSysString text;
    hr = source->GetServerName(text.put());
    if (SUCCEEDED(hr)) *name = text.get() ? text.get() : L"";
    return hr;
}

HRESULT RotLookup(ITeskRot* rot, const std::wstring& key, tesk::UniqueVariant& out) {
    tesk::UniqueSysString text(::SysAllocString(key.c_str()));
    return rot->TeskRotGetActiveObject(text.get(), out.get());
}

}  // namespace

TEST(SampleEvents, EachModeCreatesItsEvents) {
    struct Case {
        const wchar_t* options;
        bool presence;
        bool stop;
    };
    const Case cases[] = {
        {L"-events none -publish none", false, false},
        {L"-events presence -publish none", true, false},
        {L"-events stoppable -publish none", true, true},
    };
    unsigned instance = 211;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        RegisteredSample sample(instance);
        RunningSample running;
        ASSERT_TRUE(running.Start(instance, c.options));
        const SampleNames& names = sample.names();
        // Opened as the agent opens them: presence for SYNCHRONIZE, stop for full access.
        EXPECT_EQ(EventExists(PresenceEvent(names), SYNCHRONIZE), c.presence);
        EXPECT_EQ(EventExists(StopEvent(names), EVENT_ALL_ACCESS), c.stop);
        // Only the machine-wide names are used when they can be created.
        EXPECT_FALSE(EventExists(names.clsidText + L"_INPROC"));

        EXPECT_TRUE(running.Quit());
        EXPECT_EQ(running.ExitCode(), 0u);
        EXPECT_FALSE(EventExists(PresenceEvent(names)));
        EXPECT_FALSE(EventExists(StopEvent(names)));
        ++instance;
    }
}

// (A presence-only server has no stop event: EachModeCreatesItsEvents.)
TEST(SampleEvents, StopEventEndsTheServer) {
    RegisteredSample stoppable(214);
    RunningSample first;
    ASSERT_TRUE(first.Start(214, L"-publish none"));
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(SetNamedEvent(StopEvent(stoppable.names())));
    EXPECT_TRUE(first.WaitForExit(20000));
    EXPECT_LT(::GetTickCount() - start, 20000u);
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_FALSE(EventExists(PresenceEvent(stoppable.names())));
}

TEST(SampleEvents, ASecondProcessOfTheSameInstanceEndsAtOnce) {
    RegisteredSample sample(216);
    RunningSample first;
    ASSERT_TRUE(first.Start(216, L"-publish none"));
    long exitCode = RunSample(L"-instance 216 -publish none");
    EXPECT_EQ(static_cast<HRESULT>(exitCode), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    // The first one is untouched.
    EXPECT_FALSE(first.WaitForExit(0));
    EXPECT_TRUE(EventExists(StopEvent(sample.names())));
    EXPECT_TRUE(first.Quit());
}

TEST(SamplePublication, TeskRotHoldsTheLiveObjectWhileTheServerRuns) {
    RegisteredSample sample(221);
    const SampleNames& names = sample.names();
    RunningSample running;
    ASSERT_TRUE(running.Start(221, L"-publish tesk -value 4711"));

    tesk::UniqueComPtr<ITeskRot> rot;
    ASSERT_EQ(tesk_test::CreateAgent(IID_ITeskRot, reinterpret_cast<void**>(rot.put())), S_OK);
    tesk::UniqueVariant entry;
    ASSERT_EQ(RotLookup(rot.get(), names.clsidText, entry), S_OK);
    ASSERT_EQ(entry->vt, VT_UNKNOWN);
    long value = 0;
    std::wstring name;
    EXPECT_EQ(ReadProperty(entry->punkVal, &value, &name), S_OK);
    EXPECT_EQ(value, 4711);
    EXPECT_EQ(name, names.progId);

    // Only the Tesk ROT was asked for: the platform table knows nothing.
    tesk::UniqueComPtr<IUnknown> platform;
    EXPECT_EQ(::GetActiveObject(names.clsid, nullptr, platform.put()), MK_E_UNAVAILABLE);

    ASSERT_TRUE(SetNamedEvent(StopEvent(names)));
    ASSERT_TRUE(running.WaitForExit(20000));
    tesk::UniqueVariant after;
    EXPECT_EQ(RotLookup(rot.get(), names.clsidText, after), E_FAIL);
}

TEST(SamplePublication, PlatformTableHoldsTheLiveObjectWhileTheServerRuns) {
    RegisteredSample sample(222);
    const SampleNames& names = sample.names();
    RunningSample running;
    ASSERT_TRUE(running.Start(222, L"-publish platform"));

    tesk::UniqueComPtr<IUnknown> object;
    ASSERT_EQ(::GetActiveObject(names.clsid, nullptr, object.put()), S_OK);
    long value = 0;
    EXPECT_EQ(ReadProperty(object.get(), &value), S_OK);
    EXPECT_EQ(value, 1222);  // 1000 + instance unless -value says otherwise
    object.reset();

    ASSERT_TRUE(running.Quit());
    EXPECT_EQ(::GetActiveObject(names.clsid, nullptr, object.put()), MK_E_UNAVAILABLE);
}

TEST(SamplePublication, ActivationHandsOutTheLiveObject) {
    RegisteredSample sample(223, L"-value 9");
    RunningSample running;
    ASSERT_TRUE(running.Start(223, L"-publish none -value 9"));
    tesk::UniqueComPtr<IServerPropertySource> source;
    ASSERT_EQ(::CoCreateInstance(sample.names().clsid, nullptr, CLSCTX_LOCAL_SERVER,
                                 IID_IServerPropertySource,
                                 reinterpret_cast<void**>(source.put())),
              S_OK);
    long value = 0;
    EXPECT_EQ(source->GetLongValue(&value), S_OK);
    EXPECT_EQ(value, 9);
    source.reset();
    EXPECT_TRUE(running.Quit());
}

TEST(SamplePublication, InProcessModuleServesTheClassWithItsDefaultValue) {
    RegisteredSample sample(224);
    tesk::UniqueComPtr<IServerPropertySource> engine;
    ASSERT_EQ(::CoCreateInstance(sample.names().clsid, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IServerPropertySource,
                                 reinterpret_cast<void**>(engine.put())),
              S_OK);
    long value = 0;
    EXPECT_EQ(engine->GetLongValue(&value), S_OK);
    EXPECT_EQ(value, 1224);
    EXPECT_EQ(engine->GetLongValue(nullptr), E_POINTER);
}
