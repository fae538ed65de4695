// BenchPlatform.exe [count]: the in-process baseline on its own. Makes the
// platform calls of the agent's algorithms for single servers and for the
// whole list, and prints the time per call; useful for profiling and for
// counting platform calls (WINEDEBUG=+relay) without the agent around.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "bench/common/bench_servers.h"
#include "bench/common/stopwatch.h"
#include "bench/platform_calls/platform_calls.h"
#include "support/unique_resource.h"

int wmain(int argc, wchar_t** argv) {
    const unsigned calls = argc > 1 ? static_cast<unsigned>(std::wcstoul(argv[1], nullptr, 10)) : 200;
    ::CoInitialize(nullptr);
    const std::wstring names[] = {L"TeskBench.NoSuchServer", bench::ServerProgId(3),
                                  bench::ServerProgId(2), bench::ServerProgId(0)};
    for (const std::wstring& name : names) {
        LONG word = 0;
        const double us =
            bench::TimePerCall(calls, [&] { word = platform_calls::ServerActivity(name.c_str()); });
        std::wprintf(L"IsServerActive platform calls, %-26ls 0x%08lX %10.1f us\n", name.c_str(),
                     static_cast<unsigned long>(word), us);
    }
    long listed = 0;
    const double ms = bench::TimePerCall(1, [&] {
        tesk::UniqueSafeArray a, b, c;
        listed = platform_calls::ListServers(a.put(), b.put(), c.put());
    }) / 1000.0;
    std::wprintf(L"GetInstalledServers platform calls, %ld servers %10.1f ms\n", listed, ms);
    ::CoUninitialize();
    return 0;
}
