#pragma once
// Appending records to the log file that several processes share, and
// rotating it when it reaches its cap.

#include <windows.h>

#include <string>

namespace tracemill {

// How large the log file may grow and how many old files are kept beside it
// (Tracemill.1.log the newest ... Tracemill.<kept>.log the oldest).
struct RotationLimits {
    DWORD maxBytes = 10 * 1024 * 1024;  // 0: the file is never rotated
    DWORD keptFiles = 5;                // 0: the file is emptied instead
};

// Appends one line to <folder>\Tracemill.log, creating the file (and the
// folder, which then takes its permissions from its parent) when needed.
// Writers in all processes take turns through a lock on the file, so lines
// never interleave; a line that would take the file past its cap first moves
// the file's content into the first old file, under the same lock, so no line
// is lost or split between files. An unwritable folder drops the line: the
// caller is never disturbed. Returns whether the line was written.
bool AppendLine(const std::wstring& folder, const std::string& line, const RotationLimits& limits);

}  // namespace tracemill
