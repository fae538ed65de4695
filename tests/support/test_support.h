#pragma once
// Helpers shared by the test programs: registry reading and dumping, scoped
// test keys, process start and agent-process lookup.

#include <windows.h>

#include <string>
#include <vector>

#include "support/unique_resource.h"
#include "test_paths.h"

namespace tesk_test {

std::wstring HrText(HRESULT hr);

// A GUID as the registry writes it: upper-case, in braces.
std::wstring GuidText(REFGUID guid);
// A GUID of its own for one test (returned in guid when given), as text.
std::wstring NewGuidText(GUID* guid = nullptr);

// A key of its own under HKCU\Software\TeskAgentTests (named for the test process, as
// test programs run in parallel), deleted with its subtree at the end.
class ScopedTestKey {
public:
    explicit ScopedTestKey(const std::wstring& name);
    ~ScopedTestKey();
    HKEY get() const { return key_.get(); }
    const std::wstring& path() const { return path_; }  // under HKCU

private:
    std::wstring path_;
    tesk::UniqueRegKey key_;
};

// A COM class registration made for one test under HKCR with a CLSID of its
// own, removed with it (with its ProgID and AppID keys, in both views). Nothing
// is written until the test asks for it. The class is written in the registry
// view `view` names (0: the process's own, KEY_WOW64_32KEY: where 32-bit
// servers register).
class ScopedTestClass {
public:
    // The ProgID is the stem, 8 hexadecimal digits of the CLSID and ".1".
    explicit ScopedTestClass(REGSAM view = 0) : ScopedTestClass(L"TeskAgentTest.Server", view) {}
    explicit ScopedTestClass(const std::wstring& progIdStem, REGSAM view = 0);
    ~ScopedTestClass();
    ScopedTestClass(const ScopedTestClass&) = delete;
    ScopedTestClass& operator=(const ScopedTestClass&) = delete;

    const CLSID& clsid() const { return clsid_; }
    const std::wstring& clsidText() const { return clsidText_; }  // upper-case, braces
    const std::wstring& progId() const { return progId_; }
    // The user-type name, also the name of the class's NT service.
    const std::wstring& userTypeName() const { return userTypeName_; }

    void WriteClassKey();  // the class key with its user-type name
    // ProgID key (in the class's view, or in `progIdView`) and the class's
    // ProgID subkey.
    void WriteProgId() { WriteProgId(view_); }
    void WriteProgId(REGSAM progIdView);
    void WriteLocalServer(const std::wstring& commandLine);
    void WriteInprocServer(const std::wstring& path);
    void WriteNamedValue(const wchar_t* name, const std::wstring& data);
    void WriteCategory(const std::wstring& catidText);
    // A TeskServer's registration: class key, ProgID, the command line when not
    // empty and, with withAppIdKey, the AppID key named by the CLSID.
    void Register(const std::wstring& localServer, bool withAppIdKey);
    REGSAM view() const { return view_; }
    std::wstring ClassKeyPath() const { return L"CLSID\\" + clsidText_; }
    std::wstring AppIdPath() const { return L"AppID\\" + clsidText_; }

private:
    REGSAM view_;
    CLSID clsid_;
    std::wstring clsidText_;
    std::wstring progId_;
    std::wstring userTypeName_;
};

// Registry access in the process's own view, or in the view named by `view`
// (KEY_WOW64_32KEY: where 32-bit programs register their classes).
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
// The value's text; exists (optional) says whether the value is there at all.
std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* valueName,
                        bool* exists = nullptr, REGSAM view = 0);
void WriteString(HKEY root, const std::wstring& path, const wchar_t* valueName,
                 const std::wstring& data, REGSAM view = 0);
void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);
// Every key and value below path, one per line, for failure messages.
std::wstring DumpTree(HKEY root, const std::wstring& path);

// Runs a command line and waits; returns the exit code, or -1 when it could
// not start or did not end within timeoutMs.
long RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// Process ids of running programs with this executable name (case-insensitive).
std::vector<DWORD> FindProcesses(const wchar_t* exeName);
tesk::UniqueKernelHandle OpenProcessForWait(DWORD pid);

constexpr wchar_t kAgentExeName[] = L"TeskAgent.exe";

// Waits until no agent process runs (an earlier test's agent may still be
// idling out); false when one is still there after timeoutMs.
bool WaitForNoAgentProcess(DWORD timeoutMs = 20000);

// Creates an agent object as a local server, the way every client does. Under
// Wine a creation that meets the idle end of an agent process can fail: the
// process is asked for its class object after it revoked it. Such a creation
// is made once more when that process has gone.
HRESULT CreateAgent(REFIID iid, void** object);

// Waits up to ms for handle while serving this thread's messages (a
// single-threaded apartment must keep serving calls while a test waits).
bool WaitPumping(HANDLE handle, DWORD ms);

// Files and folders made for one test (copies of built programs put where a
// real one is installed or a planted one would lie), removed at its end,
// newest first, with the record a marker program leaves beside a copy.
class ScopedFiles {
public:
    ScopedFiles() = default;
    ~ScopedFiles();
    ScopedFiles(const ScopedFiles&) = delete;
    ScopedFiles& operator=(const ScopedFiles&) = delete;
    bool Folder(const std::wstring& path);
    bool Copy(const std::wstring& from, const std::wstring& to);

private:
    std::vector<std::wstring> files_, folders_;
};

// The bytes of a file from offset `from` on; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path, LONGLONG from = 0);

// The command line the marker program (TESK_MARKER_EXE) recorded when its
// copy at path ran; empty when it has not run. Waits up to ms for the record.
std::wstring MarkerRecord(const std::wstring& path, DWORD ms = 0);

// This process's environment block (CREATE_UNICODE_ENVIRONMENT) with PATH
// beginning with folder.
std::wstring EnvironmentWithPathFirst(const std::wstring& folder);

// Starts exe (named as the application, quoted in the command line) with
// args, in currentFolder, with an environment whose PATH begins with
// pathFolder; waits until it waits for input (a served agent has then
// registered its class object).
tesk::UniqueKernelHandle StartProcessIn(const std::wstring& exe, const std::wstring& args,
                                        const std::wstring& currentFolder,
                                        const std::wstring& pathFolder, DWORD* pid = nullptr);

// Whether a module of that file name (case-insensitive) is loaded in the process.
bool ProcessHasModule(DWORD pid, const wchar_t* moduleName);

// The full path of the process's executable.
std::wstring ProcessImagePath(DWORD pid);

std::wstring ToWide(const std::string& text);
std::string ToNarrow(const std::wstring& text);
std::wstring Lower(std::wstring text);

// A registry key whose whole subtree is copied aside at construction and put
// back exactly at the end, whatever the test changed or removed meanwhile.
class RestoredKey {
public:
    RestoredKey(HKEY root, std::wstring path);
    ~RestoredKey();
    RestoredKey(const RestoredKey&) = delete;
    RestoredKey& operator=(const RestoredKey&) = delete;
    bool existed() const { return existed_; }

private:
    HKEY root_;
    std::wstring path_;
    std::wstring backup_;  // under HKCU
    bool existed_ = false;
};

// The CLSIDs (as GuidText writes them) the platform lists for a component category.
std::vector<std::wstring> ClassesOfCategory(const std::wstring& catidText);

}  // namespace tesk_test
