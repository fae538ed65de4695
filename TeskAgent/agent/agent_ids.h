#pragma once
// Identifiers of the agent that the type library does not carry.

#include <windows.h>

inline constexpr wchar_t kAgentProgId[] = L"TeskAgent.Tesk_Agent.1";
inline constexpr WORD kTypeLibMajor = 1;
inline constexpr WORD kTypeLibMinor = 0;
