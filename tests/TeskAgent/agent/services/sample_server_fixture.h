#pragma once
// An instance of the sample TeskServer registered for one test with its own
// instance number (so its CLSID, ProgID and service name are its own), and
// unregistered at the end.

#include <windows.h>

#include <string>

namespace services_test {

class ScopedSampleServer {
public:
    // Extra run options (for example L"-value 77") go into its registration.
    explicit ScopedSampleServer(unsigned instance, const std::wstring& runOptions = L"");
    ~ScopedSampleServer();
    ScopedSampleServer(const ScopedSampleServer&) = delete;
    ScopedSampleServer& operator=(const ScopedSampleServer&) = delete;

    bool registered() const { return registered_; }
    const std::wstring& progId() const { return progId_; }
    std::wstring serviceName() const;  // the class's user-type name
    std::wstring clsidText() const;

private:
    std::wstring arguments_;
    std::wstring progId_;
    bool registered_ = false;
};

}  // namespace services_test
