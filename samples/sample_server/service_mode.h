#pragma once
// Running under the Service Control Manager: the server's binary path carries
// " -service" (as the agent installs it); a start by COM adds "-Service" as
// service argument. The service ends on its stop event, its quit event or a
// stop request from the SCM, and reports each state change.

#include "sample_server/server_options.h"

namespace tesk_sample {

// Connects to the SCM and runs the service on the dispatcher's thread.
// Returns 0, or the error of StartServiceCtrlDispatcherW (1063 when the
// process was not started by the SCM).
int RunAsService(const ServerOptions& options);

}  // namespace tesk_sample
