#include "dcomconfig/registration_messages.h"

#include <cwchar>
#include <string>
#include <vector>

namespace registration_messages {

// Exact wording: do not correct. The texts and captions below are the system's
// own (RunLoggerConfig, "AppId" and all); people and scripts match them.
const wchar_t kProgIdLookup[] = L"Error: CLSIDFromProgID(%ls) returned %d";
const wchar_t kAppIdLookup[] = L"Error: GetAppidFromClsid() returned %d";
const wchar_t kAccessPermission[] = L"Error: ChangeAppIDAccessACL(%ls) returned %d";
const wchar_t kLaunchPermission[] = L"Error: ChangeAppIDLaunchACL(%ls) returned %d";
const wchar_t kRunAs[] = L"Error: ChangeAppIDRunAs(%ls) returned %d";
const wchar_t kAuthenticationLevel[] = L"Error: SetAuthenticationLevel returned %d";
const wchar_t kOuterCaption[] = L"SetDcomConfig Error";

const wchar_t kInnerText[] = L"RunLoggerConfig Error";
const wchar_t kClsidKeyNotOpened[] =
    L"CDcomConfig::GetAppidFromClsid error opening CLSID key from registry";
const wchar_t kAppIdValueNotRead[] =
    L"CDcomConfig::GetAppidFromClsid error reading AppID value from registry";
const wchar_t kRunAsKeyNotOpened[] =
    L"CDcomConfig::ChangeAppIDRunAs error opening AppId key from registry";
const wchar_t kRunAsInteractiveNotSet[] =
    L"CDcomConfig::ChangeAppIDRunAs error setting AppID's RunAs value to Interactive User in "
    L"registry";
const wchar_t kRunAsLibraryFailed[] =
    L"CDcomConfig::ChangeAppIDRunAs error setting AppID's RunAs value in registry";

namespace {
// The message buffer's size: longer texts are cut to its 255 characters.
constexpr size_t kMessageChars = 256;

std::wstring Cut(std::vector<wchar_t>& text) {
    std::wstring out = text.data();
    if (out.size() >= kMessageChars) out.resize(kMessageChars - 1);
    return out;
}
}  // namespace

std::wstring Format(const wchar_t* format, const wchar_t* name, HRESULT result) {
    if (!name) name = L"";
    std::vector<wchar_t> text(std::wcslen(format) + std::wcslen(name) + 16);
    std::swprintf(text.data(), text.size(), format, name, static_cast<int>(result));
    return Cut(text);
}

std::wstring Format(const wchar_t* format, HRESULT result) {
    std::vector<wchar_t> text(std::wcslen(format) + 16);
    std::swprintf(text.data(), text.size(), format, static_cast<int>(result));
    return Cut(text);
}

}  // namespace registration_messages

namespace {
HANDLE HandedStandardError() {
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return nullptr;
    return ::GetFileType(error) == FILE_TYPE_UNKNOWN ? nullptr : error;
}

bool InInteractiveWindowStation() {
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    HWINSTA station = ::GetProcessWindowStation();
    if (!station ||
        !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed))
        return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void WriteLine(HANDLE file, const std::wstring& line) {
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string text(bytes, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &text[0], bytes,
                          nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
}  // namespace

void ShowRegistrationMessage(const std::wstring& text, const std::wstring& caption) {
    const std::wstring line = caption + L": " + text + L"\r\n";
    if (HANDLE error = HandedStandardError()) {
        WriteLine(error, line);
    } else if (!InInteractiveWindowStation()) {
        ::OutputDebugStringW(line.c_str());
    } else {
        ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
    }
}
