#include "demo/demo_report.h"

#include <cstdio>

std::wstring HrText(HRESULT hr) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%08lX", static_cast<unsigned long>(hr));
    std::wstring out = text;
    switch (hr) {
        case S_OK: out += L" (S_OK)"; break;
        case E_NOTIMPL: out += L" (E_NOTIMPL)"; break;
        case E_FAIL: out += L" (E_FAIL)"; break;
        case E_POINTER: out += L" (E_POINTER)"; break;
        case E_INVALIDARG: out += L" (E_INVALIDARG)"; break;
        case REGDB_E_CLASSNOTREG: out += L" (REGDB_E_CLASSNOTREG)"; break;
        case MK_E_UNAVAILABLE: out += L" (MK_E_UNAVAILABLE)"; break;
        default: break;
    }
    return out;
}

void Step(const wchar_t* what, HRESULT hr) {
    std::wprintf(L"  %-58ls %ls\n", what, HrText(hr).c_str());
    std::fflush(stdout);
}

std::wstring ActivityText(long activity) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(activity));
    std::wstring out = text;
    switch (activity & 0xFFFF) {
        case 1: out += L" not running"; break;
        case 2: out += L" running"; break;
        case 3: out += L" running, stoppable"; break;
        case 4: out += L" unknown server"; break;
        default: out += L" ?"; break;
    }
    switch (static_cast<unsigned long>(activity) >> 16) {
        case 1: out += L", no service"; break;
        case 2: out += L", demand-start service"; break;
        case 4: out += L", auto-start service"; break;
        default: break;
    }
    return out;
}
