#pragma once
// The probe logger fixture seen from a test: loads the same Tracemill.dll file
// a CLogClient under test loads, to steer its answers and read what it was
// called with.

#include <windows.h>

#include <string>

#include "test_paths.h"
#include "support/unique_resource.h"

namespace tesk_test {

// Folders of the probe's three builds.
#define TESK_PROBE_DIR(variant) TESK_BUILD_DIR L"\\tests\\TeskAgent\\diagnostics\\probe_" variant
constexpr const wchar_t kProbeFull[] = TESK_PROBE_DIR(L"full");
constexpr const wchar_t kProbePartial[] = TESK_PROBE_DIR(L"partial");
constexpr const wchar_t kProbeNoRegistration[] = TESK_PROBE_DIR(L"no_registration");
constexpr const wchar_t kRealLoggerDir[] = TESK_BUILD_DIR L"\\components\\logger";

class ProbeLibrary {
public:
    explicit ProbeLibrary(const wchar_t* folder);
    bool loaded() const { return static_cast<bool>(module_); }
    HMODULE module() const { return module_.get(); }

    void Reset() const;
    void SetRefuse(bool refuse) const;
    void SetHandle(DWORD handle) const;
    void SetLogStartResult(DWORD result) const;
    void SetFlagOnResult(DWORD result) const;
    void SetRegisterFlagResult(DWORD result) const;
    void SetFlagValue(DWORD index, DWORD value) const;
    int Calls(const char* entry) const;
    DWORD LastArg(const char* entry, DWORD position) const;
    std::wstring LastText(const char* entry) const;

private:
    // The probe's control export of that name as a function of type Fn; throws
    // when the probe is not loaded or lacks it.
    FARPROC Lookup(const char* name) const;
    template <class Fn>
    Fn Control(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Lookup(name)));
    }
    tesk::UniqueLibrary module_;
};

}  // namespace tesk_test
