#include "diagnostics/probe_library.h"

#include <stdexcept>
#include <vector>

namespace tesk_test {

namespace {
using NoArgs = DWORD(__cdecl*)();
using OneArg = DWORD(__cdecl*)(DWORD);
using TwoArgs = DWORD(__cdecl*)(DWORD, DWORD);
using ByName = DWORD(__cdecl*)(const char*);
using ArgByName = DWORD(__cdecl*)(const char*, DWORD);
using TextByName = DWORD(__cdecl*)(const char*, wchar_t*, DWORD);
}  // namespace

ProbeLibrary::ProbeLibrary(const wchar_t* folder)
    : module_(::LoadLibraryW((std::wstring(folder) + L"\\Tracemill.dll").c_str())) {}

FARPROC ProbeLibrary::Control(const char* name) const {
    FARPROC control = module_ ? ::GetProcAddress(module_.get(), name) : nullptr;
    if (!control) throw std::runtime_error(std::string("probe logger lacks ") + name);
    return control;
}

void ProbeLibrary::Reset() const { reinterpret_cast<NoArgs>(reinterpret_cast<void*>(Control("PROBE_Reset")))(); }
void ProbeLibrary::SetRefuse(bool refuse) const {
    reinterpret_cast<OneArg>(reinterpret_cast<void*>(Control("PROBE_SetRefuse")))(refuse);
}
void ProbeLibrary::SetHandle(DWORD handle) const {
    reinterpret_cast<OneArg>(reinterpret_cast<void*>(Control("PROBE_SetHandle")))(handle);
}
void ProbeLibrary::SetLogStartResult(DWORD result) const {
    reinterpret_cast<OneArg>(reinterpret_cast<void*>(Control("PROBE_SetLogStartResult")))(result);
}
void ProbeLibrary::SetFlagOnResult(DWORD result) const {
    reinterpret_cast<OneArg>(reinterpret_cast<void*>(Control("PROBE_SetFlagOnResult")))(result);
}
void ProbeLibrary::SetRegisterFlagResult(DWORD result) const {
    reinterpret_cast<OneArg>(reinterpret_cast<void*>(Control("PROBE_SetRegisterFlagResult")))(result);
}
void ProbeLibrary::SetFlagValue(DWORD index, DWORD value) const {
    reinterpret_cast<TwoArgs>(reinterpret_cast<void*>(Control("PROBE_SetFlagValue")))(index, value);
}
int ProbeLibrary::Calls(const char* entry) const {
    return static_cast<int>(reinterpret_cast<ByName>(reinterpret_cast<void*>(Control("PROBE_Calls")))(entry));
}
DWORD ProbeLibrary::LastArg(const char* entry, DWORD position) const {
    return reinterpret_cast<ArgByName>(reinterpret_cast<void*>(Control("PROBE_LastArg")))(entry, position);
}
std::wstring ProbeLibrary::LastText(const char* entry) const {
    auto lastText = reinterpret_cast<TextByName>(reinterpret_cast<void*>(Control("PROBE_LastText")));
    DWORD length = lastText(entry, nullptr, 0);
    std::vector<wchar_t> text(length + 1);
    lastText(entry, text.data(), length + 1);
    return std::wstring(text.data(), length);
}

}  // namespace tesk_test
