#pragma once
// TeskCtl.exe run as a script runs it: standard output and error redirected
// to files, so its output is the UTF-8 a pipe or a file receives.

#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>

#include "test_paths.h"

#define TESK_CTL_EXE TESK_BUILD_DIR L"\\components\\teskctl\\TeskCtl.exe"

namespace teskctl_test {

struct CtlRun {
    long exitCode = -1;
    std::string out;  // UTF-8 bytes as written
    std::string err;
    // Standard output as a JSON document; discarded (is_discarded()) when it is none.
    nlohmann::json Json() const;
    std::wstring OutText() const;  // standard output decoded from UTF-8
};

// Runs `TeskCtl.exe <arguments>` and waits for it.
CtlRun RunCtl(const std::wstring& arguments, DWORD timeoutMs = 90000);

std::string Utf8(const std::wstring& text);

}  // namespace teskctl_test
