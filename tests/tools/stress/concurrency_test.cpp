// Clients calling one agent process at the same time. Each client is a
// process of its own (TeskStress.exe --client), checks every answer it gets
// against the answer its method specifies for that input, and ends with
// exit code 0 only when all were as expected. This process holds an agent
// object throughout, so that every client reaches the same agent process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TeskAgent/agent/agent_object.h"
#include "TeskAgent/agent/agent_test_support.h"
#include "support/test_support.h"

namespace {

const wchar_t kStress[] = TESK_BUILD_DIR L"\\tools\\stress\\TeskStress.exe";

// Published by this process; the release that gives back the agent's last
// reference blocks this thread for a while, as a busy server would.
class BlockingReleaseObject : public IUnknown {
public:
    explicit BlockingReleaseObject(DWORD blockMs) : blockMs_(blockMs) {}
    ~BlockingReleaseObject() { ::CoDisconnectObject(this, 0); }
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown ? this : nullptr;
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG refs = ::InterlockedDecrement(&refs_);
        if (refs == 1 && published_) {
            published_ = false;
            ::Sleep(blockMs_);
            blocked_ = true;
        }
        return static_cast<ULONG>(refs);
    }
    void MarkPublished() { published_ = true; }
    bool Blocked() const { return blocked_; }

private:
    LONG refs_ = 1;
    DWORD blockMs_;
    bool published_ = false;
    bool blocked_ = false;
};

class ConcurrencyTest : public testing::Test {
protected:
    void SetUp() override {
        HRESULT hr = tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent_));
        ASSERT_EQ(S_OK, hr) << tesk_test::HrText(hr);
        rot_ = agent_test::RotOf(agent_);
        std::vector<DWORD> agents = tesk_test::FindProcesses(L"TeskAgent.exe");
        ASSERT_EQ(1u, agents.size());
        agentPid_ = agents[0];
        // Held like the agent, so that the clients' GetConfigurator calls find
        // it running rather than racing its start and end.
        ASSERT_EQ(S_OK, agent_->GetConfigurator(configurator_.put()));
    }

    void Start(unsigned count, const std::wstring& arguments) {
        for (unsigned i = 0; i < count; ++i) {
            std::wstring command = std::wstring(L"\"") + kStress + L"\" --client --seed " +
                                   std::to_wstring(::GetTickCount() + i) + L" " + arguments;
            STARTUPINFOW startup = {sizeof(startup)};
            PROCESS_INFORMATION started = {};
            ASSERT_TRUE(::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0,
                                         nullptr, nullptr, &startup, &started));
            tesk::UniqueKernelHandle thread(started.hThread);
            clients_.emplace_back(started.hProcess);
        }
    }

    // Every client ends with all its answers as expected, and the agent that
    // answered them is still the same process.
    void ExpectAllAnsweredAsSpecified() {
        for (size_t i = 0; i < clients_.size(); ++i) {
            ASSERT_TRUE(tesk_test::WaitPumping(clients_[i].get(), 100000)) << "client " << i;
            DWORD code = 99;
            ::GetExitCodeProcess(clients_[i].get(), &code);
            EXPECT_EQ(0u, code) << "client " << i << " (1: unexpected answers, 2: no agent)";
        }
        EXPECT_EQ(std::vector<DWORD>{agentPid_}, tesk_test::FindProcesses(L"TeskAgent.exe"));
        LONG word = 0;
        EXPECT_EQ(S_OK, agent_->IsServerActive(_bstr_t(L"Tesk.NoSuchServer"), &word));
    }

    ITesk_AgentPtr agent_;
    ITeskRotPtr rot_;
    tesk::UniqueComPtr<IUnknown> configurator_;
    DWORD agentPid_ = 0;
    std::vector<tesk::UniqueKernelHandle> clients_;
};

// Each client registers, looks up and unregisters an object of its own under
// a key of its own; every removal calls back into that client.
TEST_F(ConcurrencyTest, TwoClientsMakeTeskRotRoundsAtOnce) {
    Start(2, L"--mix rot --calls 300 --slow-release 0");
    ExpectAllAnsweredAsSpecified();
}

// The weighted mix of every method, valid and malformed, with published
// objects whose release is slow.
TEST_F(ConcurrencyTest, FourClientsMakeMixedCallsAtOnce) {
    Start(4, L"--mix mixed --calls 200 --slow-release 20");
    ExpectAllAnsweredAsSpecified();
}

// While the agent waits for the release of a replaced object, other clients
// look the same key up: they find the new object, never the one going away.
TEST_F(ConcurrencyTest, OthersAreServedWhileAReplacedObjectsReleaseBlocks) {
    const std::wstring key = tesk_test::NewGuidText();
    BlockingReleaseObject first(3000), second(0);
    ASSERT_EQ(S_OK, rot_->TeskRotRegister(_bstr_t(key.c_str()), agent_test::UnknownVariant(&first)));
    first.MarkPublished();
    agent_test::ScopedRotEntry entry(rot_, key.c_str());
    Start(3, L"--mix lookup --seconds 8 --slow-release 0 --key " + key);
    tesk::UniqueKernelHandle never(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    tesk_test::WaitPumping(never.get(), 2500);  // the clients are calling by now

    ASSERT_EQ(S_OK, rot_->TeskRotRegister(_bstr_t(key.c_str()), agent_test::UnknownVariant(&second)));
    for (int i = 0; i < 50 && !first.Blocked(); ++i) tesk_test::WaitPumping(never.get(), 100);
    EXPECT_TRUE(first.Blocked()) << "the agent released the replaced object";
    ExpectAllAnsweredAsSpecified();
    _variant_t found;
    ASSERT_EQ(S_OK, rot_->TeskRotGetActiveObject(_bstr_t(key.c_str()), &found));
    EXPECT_EQ(static_cast<IUnknown*>(&second), V_UNKNOWN(&found));
}

}  // namespace
