#pragma once
// Command line of the sample TeskServer (see README.md for the whole list).

#include <string>

namespace tesk_sample {

enum class Action { Run, RegServer, UnregServer, Invalid };

// Which of the agent's events the running server creates.
enum class EventMode {
    None,       // no events: the agent sees the server as not running
    Presence,   // the presence event only: running, but not stoppable
    Stoppable,  // presence and stop events
};

// Where the running server publishes its live object.
enum class Publication { None, TeskRot, Platform, Both };

struct ServerOptions {
    Action action = Action::Run;
    bool service = false;  // "-service" (from the SCM) or "-Service" (from COM)
    unsigned instance = 1;
    EventMode events = EventMode::Stoppable;
    Publication publication = Publication::Both;
    bool valueGiven = false;
    long value = 0;
    bool withoutProgId = false;  // registration only
    std::wstring error;          // why the command line was refused
    // The options that shape a run, in command-line form (each after a blank,
    // defaults left out); registration writes them into the LocalServer32
    // command line so every launch gets them.
    std::wstring RunArguments() const;
};

ServerOptions ParseServerOptions(const wchar_t* commandLine);

}  // namespace tesk_sample
