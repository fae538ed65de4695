#pragma once
// What the DCOM configuration tells the person who registers the agent, and
// how it reaches them.

#include <windows.h>

#include <functional>
#include <string>

namespace registration_messages {

// Texts of the outer steps; %ls is the ProgID or AppID, %d the result.
extern const wchar_t kProgIdLookup[];
extern const wchar_t kAppIdLookup[];
extern const wchar_t kAccessPermission[];
extern const wchar_t kLaunchPermission[];
extern const wchar_t kRunAs[];
extern const wchar_t kAuthenticationLevel[];
extern const wchar_t kOuterCaption[];

// The inner operations put their detail in the caption and this in the text.
extern const wchar_t kInnerText[];
extern const wchar_t kClsidKeyNotOpened[];
extern const wchar_t kAppIdValueNotRead[];
extern const wchar_t kRunAsKeyNotOpened[];
extern const wchar_t kRunAsInteractiveNotSet[];
extern const wchar_t kRunAsLibraryFailed[];

// A message text of at most 255 characters from one of the formats above.
std::wstring Format(const wchar_t* format, const wchar_t* name, HRESULT result);
std::wstring Format(const wchar_t* format, HRESULT result);

}  // namespace registration_messages

// Receives each message with its caption.
using RegistrationMessageSink = std::function<void(const std::wstring& text, const std::wstring& caption)>;

// The sink of a real registration. Registration is normally run by a person,
// who gets a message box (no owner window, OK only) and closes it. It must never
// hang an unattended registration, so:
//  - when the registering process was handed a standard error (a script, an
//    installer or a test that captures the output: "TeskAgent -RegServer 2>log"),
//    the message goes there as one line "caption: text" and no box is shown;
//  - when the process runs in a window station that is not interactive (a
//    service, a task in session 0, a remote shell), where nobody could close a
//    box, the message goes to the debugger output instead;
//  - otherwise the box is shown and waited on.
void ShowRegistrationMessage(const std::wstring& text, const std::wstring& caption);
