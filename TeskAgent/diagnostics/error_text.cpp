#include "diagnostics/error_text.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "diagnostics/com_eh.h"

namespace com_eh {

namespace {
constexpr DWORD kMessageFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
constexpr SIZE_T kFallbackBytes = 64;

// The range of IDispatch exception codes in the interface facility.
constexpr unsigned long kDispatchFirst = 0x80040200;
constexpr unsigned long kDispatchLast = 0x8004FFFF;

std::wstring AnsiToWide(const char* text) {
    int chars = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (chars <= 1) return {};
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], chars);
    wide.resize(static_cast<size_t>(chars - 1));
    return wide;
}

void AppendSentence(std::wstring& text, const wchar_t* sentence) {
    text += sentence;
    text += L".  ";
}
}  // namespace

void TrimMessageEnd(wchar_t* text) {
    size_t length = std::wcslen(text);
    if (length > 1 && text[length - 1] == L'\n') {
        text[--length] = L'\0';
        if (text[length - 1] == L'\r') text[length - 1] = L'\0';
    }
}

wchar_t* FallbackMessage(HRESULT hr) {
    auto* text = static_cast<wchar_t*>(::LocalAlloc(LMEM_FIXED, kFallbackBytes));
    if (!text) return nullptr;
    const size_t chars = kFallbackBytes / sizeof(wchar_t);
    const unsigned long code = static_cast<unsigned long>(hr);
    if (code >= kDispatchFirst && code <= kDispatchLast)
        ::_snwprintf(text, chars, L"IDispatch error #%d", static_cast<int>(code & 0xFFFF) - 0x200);
    else
        ::_snwprintf(text, chars, L"Unknown error 0x%0lX", code);
    text[chars - 1] = L'\0';
    return text;
}

std::wstring PositionText(const char* file, int line) {
    std::string name, folder;
    // Below _MAX_DIR characters every piece fits the runtime's buffers; a
    // longer path is shown whole as the file name.
    if (std::strlen(file) < _MAX_DIR) {
        char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {}, base[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
        ::_splitpath(file, drive, dir, base, ext);
        name = std::string(base) + ext;
        folder = std::string(drive) + dir;
    } else {
        name = file;
    }
    return L" at line " + std::to_wstring(line) + L" in " + AnsiToWide(name.c_str()) + L" (in " +
           AnsiToWide(folder.c_str()) + L")";
}

const wchar_t* com_error_dbg::ErrorMessage() const {
    if (!message_) {
        wchar_t* text = nullptr;
        ::FormatMessageW(kMessageFlags, nullptr, static_cast<DWORD>(Error()), kNeutralLanguage,
                         reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (text)
            TrimMessageEnd(text);
        else
            text = FallbackMessage(Error());
        message_.reset(text);
    }
    return message_ ? static_cast<const wchar_t*>(message_.get()) : L"";
}

_bstr_t com_error_dbg::describe(describe_kind kind, const char* file, int line) const {
    std::wstring text;
    if (operation_.length() > 0) {
        text += L"Could not ";
        AppendSentence(text, operation_);
    }
    _bstr_t source = Source();
    if (source.length() > 0) {
        text += L"From ";
        AppendSentence(text, source);
    }
    _bstr_t description = Description();
    if (description.length() > 0) AppendSentence(text, description);
    text += ErrorMessage();
    switch (kind) {
        case raised: text += L" raised"; break;
        case caught: text += L" caught"; break;
        case logged: text += L" logged"; break;
    }
    const char* position = file ? file : file_;
    if (position) text += PositionText(position, line != 0 ? line : line_);
    text += L".  ";
    return _bstr_t(text.c_str());
}

}  // namespace com_eh
