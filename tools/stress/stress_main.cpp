// TeskStress.exe: a run (the default) starts client processes of this same
// program against the installed agent; with --client it is one of them.
#include <windows.h>

#include "stress/stress_client.h"

int wmain(int argc, wchar_t** argv) {
    stress::Options options;
    if (!stress::ParseOptions(argc, argv, &options)) return 2;
    return options.client ? stress::RunClient(options) : stress::RunStress(options);
}
