#pragma once
// What the agent answers each method for each class of input: one row per
// method and input class. A client checks every answer against its row.

#include <windows.h>

namespace stress {

struct ExpectedAnswer {
    const char* method;
    const char* input;
    HRESULT result;
};

// The row of (method, input); null when there is none (a fault of this program).
const ExpectedAnswer* FindExpected(const char* method, const char* input);

// Every row, for the report.
const ExpectedAnswer* ExpectedRows(size_t* count);

}  // namespace stress
