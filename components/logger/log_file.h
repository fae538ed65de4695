#pragma once
// Appending records to the log file that several processes share.

#include <string>

namespace tracemill {

// Appends one line to <folder>\Tracemill.log, creating the file when needed.
// Writers in all processes take turns through a lock on the file, so lines
// never interleave. A missing or unwritable folder drops the line: the caller
// is never disturbed. Returns whether the line was written.
bool AppendLine(const std::wstring& folder, const std::string& line);

}  // namespace tracemill
