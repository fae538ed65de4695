#pragma once
// The running server: from its events and publication to its clean end.

#include <windows.h>

#include "sample_server/server_options.h"

namespace tesk_sample {

struct RunHooks {
    HANDLE extraStop = nullptr;             // the service's stop request, if any
    void (*running)(void*) = nullptr;       // called once the server is up
    void* context = nullptr;
};

// Runs on the calling thread, which must be in a single-threaded apartment.
// Returns 0 after a clean end, otherwise the HRESULT that kept it from running.
int RunServer(const ServerOptions& options, const RunHooks& hooks);

}  // namespace tesk_sample
