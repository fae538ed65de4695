#include <algorithm>
#include <cwchar>

#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/ModuleFileInfo.h"
#include "support/unique_resource.h"

namespace TeskAgentHelpers {

namespace {

constexpr int kQueryChars = 256;

// The one language and code page consulted: U.S. English, Unicode.
void BuildQuery(const wchar_t* name, wchar_t (&query)[kQueryChars]) {
    std::swprintf(query, kQueryChars, L"\\StringFileInfo\\040904b0\\%ls",
                  name ? name : L"FileVersion");
    query[kQueryChars - 1] = L'\0';  // a longer query is cut
}

}  // namespace

HRESULT GetFileVersionString(const wchar_t* path, const wchar_t* name, wchar_t* buffer,
                             int bufferChars) {
    TESK_RETURN_IF(!buffer || bufferChars <= 0, E_FAIL);
    wchar_t query[kQueryChars];
    BuildQuery(name, query);
    buffer[0] = L'\0';
    TESK_RETURN_IF(!path, E_FAIL);

    DWORD handle = 0;
    DWORD bytes = ::GetFileVersionInfoSizeW(path, &handle);
    TESK_RETURN_IF(bytes == 0, E_FAIL);
    tesk::UniqueProcessHeapBlock block(::HeapAlloc(::GetProcessHeap(), 0, bytes));
    TESK_RETURN_IF(!block || !::GetFileVersionInfoW(path, 0, bytes, block.get()), E_FAIL);
    void* text = nullptr;
    UINT textChars = 0;
    TESK_RETURN_IF(!::VerQueryValueW(block.get(), query, &text, &textChars) || !text, E_FAIL);

    // The reported length may count the terminator; stop at it either way.
    const wchar_t* found = static_cast<const wchar_t*>(text);
    size_t copied = 0;
    size_t limit = std::min<size_t>(textChars, static_cast<size_t>(bufferChars) - 1);
    while (copied < limit && found[copied] != L'\0') {
        buffer[copied] = found[copied];
        ++copied;
    }
    buffer[copied] = L'\0';
    return S_OK;
}

}  // namespace TeskAgentHelpers
