#pragma once
// The command line of TeskStress.exe, for the whole run and for one client.

#include <string>

namespace stress {

// Which calls a client makes.
enum class Mix {
    Mixed,      // the weighted mix of every method, valid and malformed
    Rot,        // Tesk ROT rounds only: register, look up, unregister, look up
    Malformed,  // malformed arguments only
    Lookup,     // looks up one given key, expecting an object there, between mixed calls
};

struct Options {
    // The run.
    unsigned clients = 4;
    unsigned calls = 200;        // per client and round
    unsigned rounds = 3;         // rounds without kills, after a warm-up round
    unsigned killRounds = 1;     // rounds in which some clients are killed
    unsigned slowReleaseMs = 200;  // Release of a published object takes this long
    Mix mix = Mix::Mixed;
    // One client (set by the run for the processes it starts).
    bool client = false;
    unsigned seed = 1;
    unsigned seconds = 0;        // with a time, calls go on until it is over
    std::wstring key;            // Mix::Lookup: the key to look up
    std::wstring method;         // only calls of this method (empty: all)
    std::wstring out;            // where the client writes its tally
};

// Reads the options; false (after a usage text on stderr) when they are wrong.
bool ParseOptions(int argc, wchar_t** argv, Options* options);

const wchar_t* MixName(Mix mix);

}  // namespace stress
