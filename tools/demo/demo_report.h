#pragma once
// What the demonstration prints: each step with its HRESULT, honestly, and
// the activity words in words.

#include <windows.h>

#include <string>

void Step(const wchar_t* what, HRESULT hr);
std::wstring ActivityText(long activity);
std::wstring HrText(HRESULT hr);
