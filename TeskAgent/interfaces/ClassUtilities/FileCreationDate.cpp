#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/ModuleFileInfo.h"

namespace TeskAgentHelpers {

HRESULT GetFileCreationDate(const wchar_t* path, wchar_t* buffer, int bufferChars,
                            const wchar_t* format) {
    TESK_RETURN_IF(!buffer || bufferChars <= 0, E_FAIL);
    buffer[0] = L'\0';
    TESK_RETURN_IF(!path, E_FAIL);

    WIN32_FILE_ATTRIBUTE_DATA attributes;
    TESK_RETURN_IF(!::GetFileAttributesExW(path, GetFileExInfoStandard, &attributes), E_FAIL);
    FILETIME local;
    SYSTEMTIME date;
    if (!::FileTimeToLocalFileTime(&attributes.ftCreationTime, &local) ||
        !::FileTimeToSystemTime(&local, &date))
        return E_FAIL;

    if (!::GetDateFormatW(LOCALE_SYSTEM_DEFAULT, format ? 0 : DATE_LONGDATE, &date, format,
                          buffer, bufferChars))
        return E_FAIL;
    buffer[bufferChars - 1] = L'\0';
    return S_OK;
}

}  // namespace TeskAgentHelpers
