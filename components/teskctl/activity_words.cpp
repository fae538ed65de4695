#include "teskctl/activity_words.h"

namespace teskctl {

namespace {
constexpr unsigned long kDemandStart = 0x0002;
constexpr unsigned long kAutoStart = 0x0004;

unsigned long ModeOf(long activity) { return (static_cast<unsigned long>(activity) >> 16) & 0xFFFF; }
}  // namespace

unsigned StateOf(long activity) { return static_cast<unsigned>(activity) & 0xFFFF; }

const char* StateName(long activity) {
    switch (StateOf(activity)) {
    case kNotRunning: return "stopped";
    case kRunning: return "running";
    case kStoppable: return "stoppable";
    default: return "unknown";
    }
}

const char* ServiceName(long activity) {
    switch (ModeOf(activity)) {
    case kDemandStart: return "demand";
    case kAutoStart: return "auto";
    default: return "none";
    }
}

std::wstring StateWords(long activity) {
    switch (StateOf(activity)) {
    case kNotRunning: return L"not running";
    case kRunning: return L"running, not stoppable";
    case kStoppable: return L"running, stoppable";
    case kUnknownServer: return L"unknown server";
    default: return L"state " + std::to_wstring(StateOf(activity)) + L" (not defined by the agent)";
    }
}

std::wstring ServiceWords(long activity) {
    switch (ModeOf(activity)) {
    case kDemandStart: return L"demand-start service";
    case kAutoStart: return L"auto-start service";
    default: return L"no service";
    }
}

}  // namespace teskctl
