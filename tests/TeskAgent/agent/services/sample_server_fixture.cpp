#include "TeskAgent/agent/services/sample_server_fixture.h"

#include <objbase.h>

#include "support/test_support.h"

namespace services_test {

namespace {
std::wstring SampleCommand(const std::wstring& arguments) {
    return L"\"" TESK_SAMPLE_SERVER_EXE L"\" " + arguments;
}
}  // namespace

ScopedSampleServer::ScopedSampleServer(unsigned instance, const std::wstring& runOptions)
    : arguments_(L"-instance " + std::to_wstring(instance) + L" " + runOptions),
      progId_(L"TeskSample.Server" + std::to_wstring(instance) + L".1") {
    registered_ = tesk_test::RunProcess(SampleCommand(L"-RegServer " + arguments_)) == 0;
}

ScopedSampleServer::~ScopedSampleServer() {
    tesk_test::RunProcess(SampleCommand(L"-UnregServer " + arguments_));
}

std::wstring ScopedSampleServer::clsidText() const {
    CLSID clsid = GUID_NULL;
    ::CLSIDFromProgID(progId_.c_str(), &clsid);
    return tesk_test::GuidText(clsid);
}

std::wstring ScopedSampleServer::serviceName() const {
    return tesk_test::ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsidText(), nullptr);
}

}  // namespace services_test
