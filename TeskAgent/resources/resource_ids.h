#pragma once
// Resource identifiers of TeskAgent.exe.
#define IDR_APPID_SCRIPT 100
#define IDR_CLASS_SCRIPT 101
#include "tesk_version.h"
#define TESK_AGENT_VERSION_TEXT TESK_VERSION_TEXT
#define TESK_AGENT_VERSION_NUMBERS TESK_VERSION_NUMBERS
