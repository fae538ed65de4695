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
    // Moves the class and AppID keys into the 32-bit registry view, as a
    // 32-bit server would have them (the ProgID stays in the default view);
    // false when a key could not be moved.
    bool MoveTo32BitView();
    const std::wstring& progId() const { return progId_; }
    std::wstring serviceName() const;  // the class's user-type name
    std::wstring clsidText() const;

private:
    REGSAM view_ = 0;
    std::wstring arguments_;
    std::wstring progId_;
    bool registered_ = false;
};

}  // namespace services_test
