#pragma once
// Identities of the benchmark's own programs: the minimal baseline server and
// the helper that plays the running TeskServers. None of them is part of the
// agent; they exist only in a benchmark prefix.

#include <windows.h>

namespace bench {

// The minimal local server, registered the way the agent is registered.
// {13891DC7-8962-4C46-A8D6-463180E754A4}
inline constexpr CLSID kBaselineClsid = {
    0x13891DC7, 0x8962, 0x4C46, {0xA8, 0xD6, 0x46, 0x31, 0x80, 0xE7, 0x54, 0xA4}};
// {7570F857-0628-4E75-82D2-9305BD7F133D}
inline constexpr GUID kBaselineAppId = {
    0x7570F857, 0x0628, 0x4E75, {0x82, 0xD2, 0x93, 0x05, 0xBD, 0x7F, 0x13, 0x3D}};
inline constexpr wchar_t kBaselineProgId[] = L"TeskBench.Baseline.1";
inline constexpr wchar_t kBaselineVersionIndependentProgId[] = L"TeskBench.Baseline";
inline constexpr wchar_t kBaselineExeName[] = L"BenchBaseline.exe";
inline constexpr wchar_t kAgentExeName[] = L"TeskAgent.exe";

// The TeskServer component category.
// {5E2A9C14-3B7D-4F08-9A61-C47D2E8B0F53}
inline constexpr GUID kTeskServerCategory = {
    0x5E2A9C14, 0x3B7D, 0x4F08, {0x9A, 0x61, 0xC4, 0x7D, 0x2E, 0x8B, 0x0F, 0x53}};

// The server host signals readiness on the first event and ends when the
// second one is set.
inline constexpr wchar_t kHostReadyEvent[] = L"TeskBench.ServerHostReady";
inline constexpr wchar_t kHostQuitEvent[] = L"TeskBench.ServerHostQuit";

}  // namespace bench
