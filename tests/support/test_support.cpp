#include "support/test_support.h"

#include <comcat.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>

#include "TeskAgent_h.h"
#include "support/registry.h"

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
    tesk::registry::DeleteTree(root, path.c_str(), view);
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

bool WaitForNoAgentProcess(DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!FindProcesses(kAgentExeName).empty()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(100);
    }
    return true;
}

HRESULT CreateAgent(REFIID iid, void** object) {
    HRESULT hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER, iid, object);
    // These answers are the class's own, not those of a process that ended.
    const bool definite =
        SUCCEEDED(hr) || hr == REGDB_E_CLASSNOTREG || hr == E_NOINTERFACE || hr == E_ACCESSDENIED;
    if (!definite && WaitForNoAgentProcess(10000))
        hr = ::CoCreateInstance(CLSID_Tesk_Agent, nullptr, CLSCTX_LOCAL_SERVER, iid, object);
    return hr;
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

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

namespace {
bool CopyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
    tesk::UniqueRegKey source, target;
    return ::RegOpenKeyExW(fromRoot, from.c_str(), 0, KEY_READ, source.put()) == ERROR_SUCCESS &&
           ::RegCreateKeyExW(toRoot, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             target.put(), nullptr) == ERROR_SUCCESS &&
           ::RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
}
}  // namespace

RestoredKey::RestoredKey(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)),
      backup_(L"Software\\TeskAgentTests\\RestoredKey" + std::to_wstring(::GetCurrentProcessId())) {
    existed_ = CopyTree(root_, path_, HKEY_CURRENT_USER, backup_);
}

RestoredKey::~RestoredKey() {
    if (!existed_) return;
    DeleteTree(root_, path_);
    if (CopyTree(HKEY_CURRENT_USER, backup_, root_, path_)) DeleteTree(HKEY_CURRENT_USER, backup_);
}

std::vector<std::wstring> ClassesOfCategory(const std::wstring& catidText) {
    std::vector<std::wstring> found;
    CATID catid;
    ::CLSIDFromString(catidText.c_str(), &catid);
    tesk::UniqueComPtr<ICatInformation> information;
    tesk::UniqueComPtr<IEnumCLSID> classes;
    if (FAILED(::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICatInformation,
                                  reinterpret_cast<void**>(information.put()))) ||
        FAILED(information->EnumClassesOfCategories(1, &catid, 0, nullptr, classes.put())))
        return found;
    CLSID clsid;
    while (classes->Next(1, &clsid, nullptr) == S_OK) found.push_back(GuidText(clsid));
    return found;
}

ScopedTestClass::ScopedTestClass(const std::wstring& progIdStem, REGSAM view)
    : view_(view), clsidText_(NewGuidText(&clsid_)) {
    std::wstring stem = clsidText_.substr(1, 8);
    progId_ = progIdStem + stem + L".1";
    userTypeName_ = L"TeskAgentTest Server " + stem;
}

ScopedTestClass::~ScopedTestClass() {
    for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
        DeleteTree(HKEY_CLASSES_ROOT, ClassKeyPath(), view);
        DeleteTree(HKEY_CLASSES_ROOT, progId_, view);
        DeleteTree(HKEY_CLASSES_ROOT, AppIdPath(), view);
    }
}

void ScopedTestClass::WriteClassKey() {
    WriteString(HKEY_CLASSES_ROOT, ClassKeyPath(), nullptr, userTypeName_, view_);
}

void ScopedTestClass::WriteProgId(REGSAM progIdView) {
    WriteString(HKEY_CLASSES_ROOT, progId_, nullptr, userTypeName_, progIdView);
    WriteString(HKEY_CLASSES_ROOT, progId_ + L"\\CLSID", nullptr, clsidText_, progIdView);
    WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\ProgID", nullptr, progId_, view_);
}

void ScopedTestClass::WriteLocalServer(const std::wstring& commandLine) {
    WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\LocalServer32", nullptr, commandLine,
                view_);
}

void ScopedTestClass::WriteInprocServer(const std::wstring& path) {
    WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\InprocServer32", nullptr, path, view_);
}

void ScopedTestClass::WriteNamedValue(const wchar_t* name, const std::wstring& data) {
    WriteString(HKEY_CLASSES_ROOT, ClassKeyPath(), name, data, view_);
}

void ScopedTestClass::WriteCategory(const std::wstring& catidText) {
    WriteString(HKEY_CLASSES_ROOT, ClassKeyPath() + L"\\Implemented Categories\\" + catidText,
                nullptr, L"", view_);
}

void ScopedTestClass::Register(const std::wstring& localServer, bool withAppIdKey) {
    WriteClassKey();
    WriteProgId();
    if (!localServer.empty()) WriteLocalServer(localServer);
    if (withAppIdKey) {
        WriteNamedValue(L"AppID", clsidText_);
        WriteString(HKEY_CLASSES_ROOT, AppIdPath(), nullptr, userTypeName_, view_);
    }
}

ScopedFiles::~ScopedFiles() {
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) ::DeleteFileW(file->c_str());
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
        ::RemoveDirectoryW(folder->c_str());
}

bool ScopedFiles::Folder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr)) return false;
    folders_.push_back(path);
    return true;
}

bool ScopedFiles::Copy(const std::wstring& from, const std::wstring& to) {
    files_.push_back(to);
    files_.push_back(to + L".ran");
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::string ReadFileBytes(const std::wstring& path, LONGLONG from) {
    tesk::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    LARGE_INTEGER at;
    at.QuadPart = from;
    if (!::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return {};
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

std::wstring MarkerRecord(const std::wstring& path, DWORD ms) {
    for (DWORD waited = 0;; waited += 100) {
        const std::string bytes = ReadFileBytes(path + L".ran");
        if (!bytes.empty())
            return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                bytes.size() / sizeof(wchar_t));
        if (waited >= ms) return L"";
        ::Sleep(100);
    }
}

std::wstring EnvironmentWithPathFirst(const std::wstring& folder) {
    std::vector<std::wstring> variables;
    {
        std::unique_ptr<wchar_t, BOOL(WINAPI*)(LPWCH)> block(::GetEnvironmentStringsW(),
                                                             ::FreeEnvironmentStringsW);
        for (const wchar_t* entry = block.get(); *entry; entry += std::wcslen(entry) + 1)
            if (::_wcsnicmp(entry, L"PATH=", 5) != 0) variables.push_back(entry);
    }
    wchar_t path[32768] = {};
    ::GetEnvironmentVariableW(L"PATH", path, 32768);
    variables.push_back(L"PATH=" + folder + L";" + path);
    std::sort(variables.begin(), variables.end(), [](const std::wstring& a, const std::wstring& b) {
        return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring environment;
    for (const std::wstring& variable : variables) environment += variable + L'\0';
    return environment + L'\0';
}

tesk::UniqueKernelHandle StartProcessIn(const std::wstring& exe, const std::wstring& args,
                                        const std::wstring& currentFolder,
                                        const std::wstring& pathFolder, DWORD* pid) {
    std::wstring environment = EnvironmentWithPathFirst(pathFolder);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    std::wstring line = L"\"" + exe + L"\" " + args;
    if (!::CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT, &environment[0], currentFolder.c_str(),
                          &startup, &process))
        return {};
    tesk::UniqueKernelHandle processHandle(process.hProcess), thread(process.hThread);
    ::WaitForInputIdle(processHandle.get(), 10000);
    if (pid) *pid = process.dwProcessId;
    return processHandle;
}

bool ProcessHasModule(DWORD pid, const wchar_t* moduleName) {
    tesk::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return false;
    }
    MODULEENTRY32W entry = {sizeof(entry)};
    for (BOOL more = ::Module32FirstW(snapshot.get(), &entry); more;
         more = ::Module32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szModule, moduleName) == 0) return true;
    }
    return false;
}

std::wstring ProcessImagePath(DWORD pid) {
    tesk::UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH] = {};
    DWORD chars = MAX_PATH;
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, path, &chars)) return L"";
    return path;
}

}  // namespace tesk_test
