#include "TeskAgent/diagnostics/probe_library.h"

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

FARPROC ProbeLibrary::Lookup(const char* name) const {
    FARPROC control = module_ ? ::GetProcAddress(module_.get(), name) : nullptr;
    if (!control) throw std::runtime_error(std::string("probe logger lacks ") + name);
    return control;
}

void ProbeLibrary::Reset() const { Control<NoArgs>("PROBE_Reset")(); }
void ProbeLibrary::SetRefuse(bool refuse) const { Control<OneArg>("PROBE_SetRefuse")(refuse); }
void ProbeLibrary::SetHandle(DWORD handle) const { Control<OneArg>("PROBE_SetHandle")(handle); }
void ProbeLibrary::SetLogStartResult(DWORD result) const {
    Control<OneArg>("PROBE_SetLogStartResult")(result);
}
void ProbeLibrary::SetFlagOnResult(DWORD result) const {
    Control<OneArg>("PROBE_SetFlagOnResult")(result);
}
void ProbeLibrary::SetRegisterFlagResult(DWORD result) const {
    Control<OneArg>("PROBE_SetRegisterFlagResult")(result);
}
void ProbeLibrary::SetFlagValue(DWORD index, DWORD value) const {
    Control<TwoArgs>("PROBE_SetFlagValue")(index, value);
}
int ProbeLibrary::Calls(const char* entry) const {
    return static_cast<int>(Control<ByName>("PROBE_Calls")(entry));
}
DWORD ProbeLibrary::LastArg(const char* entry, DWORD position) const {
    return Control<ArgByName>("PROBE_LastArg")(entry, position);
}
std::wstring ProbeLibrary::LastText(const char* entry) const {
    auto lastText = Control<TextByName>("PROBE_LastText");
    DWORD length = lastText(entry, nullptr, 0);
    std::vector<wchar_t> text(length + 1);
    lastText(entry, text.data(), length + 1);
    return std::wstring(text.data(), length);
}

}  // namespace tesk_test
