#pragma once
// Installation steps of the agent's family, each undone by its counterpart.

#include <windows.h>

#include <string>
#include <vector>

using InstallArguments = std::vector<std::wstring>;

// The agent: its type library (from the executable's TYPELIB resource),
// marshaling of its custom interfaces through the type-library marshaler, and
// its own registration ("-RegServer").
int InstallAgent(const InstallArguments& args);
int UninstallAgent(const InstallArguments& args);

// The configurator (its proxy/stub's DllRegisterServer, then "-RegServer";
// with the 32-bit build's proxy/stub also that one, in the 32-bit view),
// the sample TeskServer ("-RegServer" with its options) and the sample module's
// I/O plug-in (DllRegisterServer); see installer/sample_install.cpp.
int InstallConfigurator(const InstallArguments& args);
int UninstallConfigurator(const InstallArguments& args);
int InstallSampleServer(const InstallArguments& args);
int UninstallSampleServer(const InstallArguments& args);
int InstallSamplePlugin(const InstallArguments& args);
int UninstallSamplePlugin(const InstallArguments& args);

// The 32-bit build's proxy/stub of the configurator interfaces, registered in
// the 32-bit view with the keys its DllRegisterServer writes (a 64-bit
// installer cannot load it); needs the 64-bit build's registration first.
bool Register32BitProxy(const std::wstring& dll);
void Unregister32BitProxy();

// The administrator-account library: its file, the account it configures
// AppIDs for and, read from the standard input, that account's password.
int InstallAdminAccount(const InstallArguments& args);
int UninstallAdminAccount(const InstallArguments& args);

// Shared by the steps.
bool SetRegString(HKEY key, const wchar_t* name, DWORD type, const std::wstring& data);
// In the installer's own registry view, or in the one `view` names
// (KEY_WOW64_32KEY: what 32-bit programs see).
bool WriteRegString(HKEY root, const std::wstring& path, const wchar_t* name,
                    const std::wstring& data, REGSAM view = 0);
// Runs the program (its path quoted) with the switches and returns its exit code.
long RunAndWait(const std::wstring& program, const std::wstring& switches);
std::wstring GuidText(const GUID& guid);
