#pragma once
// The debug prompt: while the logger flag "BreakOnError" is on, every raise
// stops in a message box that offers to debug the process.

#include <windows.h>

#include <string>

class CLogClient;

namespace com_eh {

class com_error_dbg;

constexpr DWORD kBreakFlagNumber = 11;
constexpr const wchar_t kBreakFlagName[] = L"BreakOnError";
constexpr UINT kDebugPromptStyle =
    MB_YESNO | MB_ICONERROR | MB_TASKMODAL | MB_SERVICE_NOTIFICATION;

// Asked at each raise, before the exception is built: registers the break
// flag with the process's logger client while it is still 0, and says whether
// the prompt is on.
bool DebugPromptWanted();

// The same with the client and the break flag given (the process uses its own).
bool DebugPromptWanted(CLogClient& log, DWORD& breakFlag);

// The message box text for an exception just raised.
std::wstring DebugPromptText(const com_error_dbg& e);

// Shows the prompt; on Yes the process stops at a breakpoint right here.
void ShowDebugPrompt(const com_error_dbg& e);

}  // namespace com_eh
