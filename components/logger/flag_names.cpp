#include "logger/flag_names.h"

#include <cwchar>
#include <cwctype>

namespace tracemill {

const wchar_t* StandardFlagName(DWORD index) {
    static const wchar_t* const kNames[kStandardFlagCount] = {
        L"Error",     L"Warning",   L"Info",       L"Trace",    L"StartStop", L"EntryExit",
        L"ThreadStartStop", L"Sql", L"Connection", L"CtorDtor", L"RefCount",
    };
    return index < kStandardFlagCount ? kNames[index] : nullptr;
}

FlagSelection FlagSelection::Parse(const std::wstring& text) {
    FlagSelection selection;
    std::wstring name;
    auto take = [&]() {
        if (name == L"*")
            selection.all_ = true;
        else if (!name.empty())
            selection.names_.push_back(name);
        name.clear();
    };
    for (wchar_t c : text) {
        if (c == L';' || c == L',' || std::iswspace(c))
            take();
        else
            name += c;
    }
    take();
    return selection;
}

bool FlagSelection::Contains(const std::wstring& name) const {
    if (name.empty()) return false;
    if (all_) return true;
    for (const std::wstring& selected : names_) {
        if (::_wcsicmp(selected.c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

}  // namespace tracemill
