#include "admin_account/run_as_password.h"

#include <ntsecapi.h>

#include <string>

#include "admin_account/Wardlow.h"
#include "support/unique_resource.h"

namespace {
// STATUS_OBJECT_NAME_NOT_FOUND: no secret of that name.
constexpr NTSTATUS kNoSuchSecret = static_cast<NTSTATUS>(0xC0000034L);

LSA_UNICODE_STRING LsaString(const std::wstring& text) {
    LSA_UNICODE_STRING string;
    string.Buffer = const_cast<wchar_t*>(text.c_str());
    string.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    string.MaximumLength = static_cast<USHORT>(string.Length + sizeof(wchar_t));
    return string;
}
}  // namespace

int StoreRunAsPassword(const wchar_t* appId, DWORD& error) {
    LSA_OBJECT_ATTRIBUTES attributes = {};
    tesk::UniqueLsaHandle policy;
    NTSTATUS status = ::LsaOpenPolicy(nullptr, &attributes,
                                      POLICY_GET_PRIVATE_INFORMATION | POLICY_CREATE_SECRET,
                                      policy.put());
    if (status != 0) {
        error = ::LsaNtStatusToWinError(status);
        return WARDLOW_PASSWORD_UNREADABLE;
    }

    const std::wstring configuredName = WARDLOW_ADMIN_PASSWORD_SECRET;
    LSA_UNICODE_STRING configured = LsaString(configuredName);
    tesk::UniqueLsaMemory password;
    status = ::LsaRetrievePrivateData(policy.get(), &configured,
                                      reinterpret_cast<PLSA_UNICODE_STRING*>(password.put()));
    if (status == kNoSuchSecret) return WARDLOW_OK;  // an account without a password
    if (status != 0) {
        error = ::LsaNtStatusToWinError(status);
        return WARDLOW_PASSWORD_UNREADABLE;
    }

    auto* secret = static_cast<PLSA_UNICODE_STRING>(password.get());
    const std::wstring runAsName = std::wstring(L"SCM:") + appId;
    LSA_UNICODE_STRING runAs = LsaString(runAsName);
    status = ::LsaStorePrivateData(policy.get(), &runAs, secret);
    // The clear text lives no longer than needed.
    if (secret && secret->Buffer) ::SecureZeroMemory(secret->Buffer, secret->Length);
    if (status != 0) {
        error = ::LsaNtStatusToWinError(status);
        return WARDLOW_PASSWORD_NOT_STORED;
    }
    return WARDLOW_OK;
}
