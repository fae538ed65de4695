#pragma once
// Identifiers of the agent that the type library does not carry.

#include <windows.h>

// The agent's own AppID, written by the registry scripts.
// {6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}
inline constexpr GUID kAgentAppId = {
    0x6B1D3EB3, 0x52C7, 0x4A19, {0x9E, 0x0B, 0x7D, 0x2F, 0x5A, 0x8C, 0x1E, 0x34}};

inline constexpr wchar_t kAgentProgId[] = L"TeskAgent.Tesk_Agent.1";
inline constexpr WORD kTypeLibMajor = 1;
inline constexpr WORD kTypeLibMinor = 0;
