#include "support/test_support.h"

#include <tlhelp32.h>

#include <cstdio>

namespace tesk_test {

std::wstring HrText(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring NewGuidText(GUID* guid) {
    GUID fresh;
    ::CoCreateGuid(&fresh);
    if (guid) *guid = fresh;
    return GuidText(fresh);
}

ScopedTestKey::ScopedTestKey(const std::wstring& name)
    : path_(L"Software\\TeskAgentTests\\" + name + L"." +
            std::to_wstring(::GetCurrentProcessId())) {
    DeleteTree(HKEY_CURRENT_USER, path_);
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key_.put(), nullptr);
}

ScopedTestKey::~ScopedTestKey() {
    key_.reset();
    DeleteTree(HKEY_CURRENT_USER, path_);
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    tesk::UniqueRegKey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* valueName,
                        bool* exists, REGSAM view) {
    if (exists) *exists = false;
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return {};
    if (exists) *exists = true;
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    ::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                       &bytes);
    data.resize(wcslen(data.c_str()));
    return data;
}

void WriteString(HKEY root, const std::wstring& path, const wchar_t* valueName,
                 const std::wstring& data, REGSAM view) {
    tesk::UniqueRegKey key;
    ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                      key.put(), nullptr);
    ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
    if (!view) {
        ::RegDeleteTreeW(root, path.c_str());
        return;
    }
    // RegDeleteTreeW knows no view: empty the key opened in it, then delete it there.
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) != ERROR_SUCCESS)
        return;
    ::RegDeleteTreeW(key.get(), nullptr);
    key.reset();
    ::RegDeleteKeyExW(root, path.c_str(), view, 0);
}

namespace {
void DumpKey(HKEY key, const std::wstring& path, std::wstring& out) {
    out += L"[" + path + L"]\n";
    wchar_t name[512];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameChars = 512, bytes = sizeof(data) - 2, type = 0;
        if (::RegEnumValueW(key, i, name, &nameChars, nullptr, &type, data, &bytes) !=
            ERROR_SUCCESS)
            break;
        out += L"  \"" + std::wstring(nameChars ? name : L"@") + L"\" = ";
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[bytes] = data[bytes + 1] = 0;
            out += L"\"" + std::wstring(reinterpret_cast<wchar_t*>(data)) + L"\"\n";
        } else {
            out += L"(type " + std::to_wstring(type) + L", " + std::to_wstring(bytes) +
                   L" bytes)\n";
        }
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameChars = 512;
        if (::RegEnumKeyExW(key, i, name, &nameChars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        tesk::UniqueRegKey child;
        if (::RegOpenKeyExW(key, name, 0, KEY_READ, child.put()) == ERROR_SUCCESS)
            DumpKey(child.get(), path + L"\\" + name, out);
    }
}
}  // namespace

std::wstring DumpTree(HKEY root, const std::wstring& path) {
    tesk::UniqueRegKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return L"[" + path + L"] (missing)\n";
    std::wstring out;
    DumpKey(key.get(), path, out);
    return out;
}

long RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    tesk::UniqueKernelHandle processHandle(process.hProcess), thread(process.hThread);
    if (::WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(processHandle.get(), &code);
    return static_cast<long>(code);
}

std::vector<DWORD> FindProcesses(const wchar_t* exeName) {
    std::vector<DWORD> ids;
    tesk::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return ids;
    }
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

tesk::UniqueKernelHandle OpenProcessForWait(DWORD pid) {
    return tesk::UniqueKernelHandle(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
}

bool WaitPumping(HANDLE handle, DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= ms) return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        DWORD result =
            ::MsgWaitForMultipleObjects(1, &handle, FALSE, ms - elapsed, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}

std::wstring ToWide(const std::string& text) {
    int chars = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(chars, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], chars);
    return out;
}

std::string ToNarrow(const std::wstring& text) {
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(bytes, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], bytes,
                          nullptr, nullptr);
    return out;
}

}  // namespace tesk_test
