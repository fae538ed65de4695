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
    for (const std::wstring& key : {L"CLSID\\" + clsidText(), L"AppID\\" + clsidText()})
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, key, KEY_WOW64_32KEY);
    tesk_test::RunProcess(SampleCommand(L"-UnregServer " + arguments_));
}

bool ScopedSampleServer::MoveTo32BitView() {
    for (const std::wstring& path : {L"CLSID\\" + clsidText(), L"AppID\\" + clsidText()}) {
        tesk::UniqueRegKey from, to;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                            from.put()) != ERROR_SUCCESS ||
            ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, to.put(),
                              nullptr) != ERROR_SUCCESS ||
            ::RegCopyTreeW(from.get(), nullptr, to.get()) != ERROR_SUCCESS)
            return false;
        from.reset();
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, path, KEY_WOW64_64KEY);
    }
    view_ = KEY_WOW64_32KEY;
    return true;
}

std::wstring ScopedSampleServer::clsidText() const {
    CLSID clsid = GUID_NULL;
    ::CLSIDFromProgID(progId_.c_str(), &clsid);
    return tesk_test::GuidText(clsid);
}

std::wstring ScopedSampleServer::serviceName() const {
    return tesk_test::ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsidText(), nullptr, nullptr,
                                 view_);
}

}  // namespace services_test
