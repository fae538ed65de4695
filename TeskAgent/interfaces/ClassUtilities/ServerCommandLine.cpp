#include "interfaces/ClassUtilities/ServerCommandLine.h"

#include <cwctype>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

size_t SkipBlanks(const std::wstring& text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

bool IsExistingFile(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether text[0, end) ends in ".exe" (any case) and is followed by a blank
// or the end of the text.
bool EndsAnExecutable(const std::wstring& text, size_t end) {
    static const wchar_t kExtension[] = L".exe";
    if (end < 4 || (end < text.size() && !IsBlank(text[end]))) return false;
    for (size_t i = 0; i < 4; ++i)
        if (std::towlower(text[end - 4 + i]) != kExtension[i]) return false;
    return true;
}

// The length of the executable in an unquoted text that contains a blank.
size_t UnquotedExecutableLength(const std::wstring& text) {
    size_t firstCandidate = std::wstring::npos;
    for (size_t end = 4; end <= text.size(); ++end) {
        if (!EndsAnExecutable(text, end)) continue;
        if (IsExistingFile(text.substr(0, end))) return end;
        if (firstCandidate == std::wstring::npos) firstCandidate = end;
    }
    if (firstCandidate != std::wstring::npos) return firstCandidate;
    size_t blank = text.find_first_of(L" \t");
    return blank == std::wstring::npos ? text.size() : blank;
}

}  // namespace

HRESULT SplitServerCommandLine(const std::wstring& registered, std::wstring& exe,
                               std::wstring& args) {
    exe.clear();
    args.clear();
    size_t start = SkipBlanks(registered, 0);
    std::wstring text = registered.substr(start);
    size_t rest = 0;
    if (!text.empty() && text[0] == L'"') {
        // An unterminated quote takes the rest of the text.
        size_t close = text.find(L'"', 1);
        exe = text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
        rest = close == std::wstring::npos ? text.size() : close + 1;
    } else {
        rest = UnquotedExecutableLength(text);
        exe = text.substr(0, rest);
    }
    if (exe.empty()) return E_INVALIDARG;
    args = text.substr(SkipBlanks(text, rest));
    return S_OK;
}

std::wstring QuotedCommandLine(const std::wstring& exe, const std::wstring& args) {
    std::wstring line = L"\"" + exe + L"\"";
    if (!args.empty()) line += L" " + args;
    return line;
}
