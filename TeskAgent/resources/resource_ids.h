#pragma once
// Resource identifiers of TeskAgent.exe.
#define IDR_APPID_SCRIPT 100
#define IDR_CLASS_SCRIPT 101
#define TESK_AGENT_VERSION_TEXT "1.0.0.1"
#define TESK_AGENT_VERSION_NUMBERS 1, 0, 0, 1
