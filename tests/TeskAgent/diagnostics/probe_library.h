#pragma once
// The probe logger fixture seen from a test: loads the same Tracemill.dll file
// a CLogClient under test loads, to steer its answers and read what it was
// called with.

#include <windows.h>

#include <stdexcept>
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
    explicit ProbeLibrary(const wchar_t* folder)
        : module_(::LoadLibraryW((std::wstring(folder) + L"\\Tracemill.dll").c_str())) {}
    bool loaded() const { return static_cast<bool>(module_); }

    void Reset() const { Control<DWORD(__cdecl*)()>("PROBE_Reset")(); }
    // One of the probe's answers (see ProbeState in fixtures/probe_logger.cpp).
    void Set(const char* answer, DWORD value) const {
        Control<DWORD(__cdecl*)(const char*, DWORD)>("PROBE_Set")(answer, value);
    }
    int Calls(const char* entry) const {
        return static_cast<int>(Control<DWORD(__cdecl*)(const char*)>("PROBE_Calls")(entry));
    }
    DWORD LastArg(const char* entry, DWORD position) const {
        return Control<DWORD(__cdecl*)(const char*, DWORD)>("PROBE_LastArg")(entry, position);
    }
    std::wstring LastText(const char* entry) const {
        return Control<const wchar_t*(__cdecl*)(const char*)>("PROBE_LastText")(entry);
    }

private:
    // The probe's control export of that name as a function of type Fn; throws
    // when the probe is not loaded or lacks it.
    template <class Fn>
    Fn Control(const char* name) const {
        FARPROC control = module_ ? ::GetProcAddress(module_.get(), name) : nullptr;
        if (!control) throw std::runtime_error(std::string("probe logger lacks ") + name);
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(control));
    }
    tesk::UniqueLibrary module_;
};

}  // namespace tesk_test
