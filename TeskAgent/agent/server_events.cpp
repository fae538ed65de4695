#include "agent/server_events.h"

tesk::UniqueKernelHandle OpenNamedEvent(DWORD desiredAccess, BOOL inherit, const wchar_t* name) {
    std::wstring global = std::wstring(L"Global\\") + name;
    for (int attempt = 0; attempt < 2; ++attempt) {
        tesk::UniqueKernelHandle event(::OpenEventW(desiredAccess, inherit, global.c_str()));
        if (event) return event;
        event.reset(::OpenEventW(desiredAccess, inherit, name));
        if (event) return event;
    }
    return {};
}
