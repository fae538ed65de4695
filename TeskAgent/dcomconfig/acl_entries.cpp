#include "dcomconfig/acl_entries.h"

#include "dcomconfig/principal_sid.h"
#include "diagnostics/returned_failure.h"
#include "support/win32_result.h"

namespace {
// Entry types that carry a SID right after their header and mask.
bool CarriesPrincipalSid(const ACE_HEADER* header) {
    return header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE ||
           header->AceType == SYSTEM_AUDIT_ACE_TYPE;
}

// The SID of such an entry when it lies wholly inside the entry, else null.
PSID EntrySid(const ACE_HEADER* header) {
    constexpr DWORD kSidOffset = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
    if (header->AceSize < kSidOffset + sizeof(SID) - sizeof(DWORD)) return nullptr;
    PSID sid = reinterpret_cast<BYTE*>(const_cast<ACE_HEADER*>(header)) + kSidOffset;
    const SID* view = static_cast<const SID*>(sid);
    DWORD length = sizeof(SID) - sizeof(DWORD) + view->SubAuthorityCount * sizeof(DWORD);
    if (kSidOffset + length > header->AceSize || !::IsValidSid(sid)) return nullptr;
    return sid;
}

bool NamesSid(const ACE_HEADER* header, PSID sid) {
    if (!CarriesPrincipalSid(header)) return false;
    PSID entrySid = EntrySid(header);
    return entrySid && ::EqualSid(entrySid, sid);
}

HRESULT BytesInUse(PACL acl, DWORD& bytes) {
    ACL_SIZE_INFORMATION size = {};
    TESK_RETURN_LAST_ERROR_IF(!::GetAclInformation(acl, &size, sizeof(size), AclSizeInformation));
    bytes = size.AclBytesInUse;
    return S_OK;
}

enum class EntryPlace { Behind, InFront };

HRESULT AddEntry(HeapBlock& acl, DWORD accessMask, const wchar_t* principal, EntryPlace place) {
    TESK_RETURN_IF(!acl, E_INVALIDARG);
    HeapBlock sid;
    HRESULT hr = LookupPrincipalSid(principal, sid);
    TESK_RETURN_IF_FAILED(hr);
    DWORD oldBytes = 0;
    hr = BytesInUse(AsAcl(acl), oldBytes);
    TESK_RETURN_IF_FAILED(hr);
    // The header of the entry and its mask, with room to spare, plus its SID.
    DWORD newBytes = AlignedSize(oldBytes + 16 + ::GetLengthSid(sid.get()));
    HeapBlock grown = AllocateHeapBlock(newBytes);
    TESK_RETURN_IF(!grown, E_OUTOFMEMORY);
    TESK_RETURN_LAST_ERROR_IF(!::InitializeAcl(AsAcl(grown), newBytes, ACL_REVISION));
    if (place == EntryPlace::Behind) {
        hr = CopyAclEntries(AsAcl(acl), AsAcl(grown));
        TESK_RETURN_IF_FAILED(hr);
        TESK_RETURN_LAST_ERROR_IF(
            !::AddAccessAllowedAce(AsAcl(grown), ACL_REVISION, accessMask, sid.get()));
    } else {
        TESK_RETURN_LAST_ERROR_IF(
            !::AddAccessDeniedAce(AsAcl(grown), ACL_REVISION, accessMask, sid.get()));
        hr = CopyAclEntries(AsAcl(acl), AsAcl(grown));
        TESK_RETURN_IF_FAILED(hr);
    }
    acl = std::move(grown);
    return S_OK;
}
}  // namespace

HRESULT CopyAclEntries(PACL source, PACL destination) {
    TESK_RETURN_IF(!source || !destination, E_INVALIDARG);
    for (DWORD index = 0; index < source->AceCount; ++index) {
        void* entry = nullptr;
        TESK_RETURN_LAST_ERROR_IF(!::GetAce(source, index, &entry));
        TESK_RETURN_LAST_ERROR_IF(!::AddAce(destination, ACL_REVISION, MAXDWORD, entry,
                                            static_cast<ACE_HEADER*>(entry)->AceSize));
    }
    return S_OK;
}

HRESULT DuplicateAcl(PACL source, HeapBlock& copy) {
    TESK_RETURN_IF(!source, E_INVALIDARG);
    DWORD bytes = 0;
    HRESULT hr = BytesInUse(source, bytes);
    TESK_RETURN_IF_FAILED(hr);
    bytes = AlignedSize(bytes);
    HeapBlock duplicate = AllocateHeapBlock(bytes);
    TESK_RETURN_IF(!duplicate, E_OUTOFMEMORY);
    TESK_RETURN_LAST_ERROR_IF(!::InitializeAcl(AsAcl(duplicate), bytes, ACL_REVISION));
    hr = CopyAclEntries(source, AsAcl(duplicate));
    TESK_RETURN_IF_FAILED(hr);
    copy = std::move(duplicate);
    return S_OK;
}

HRESULT AddAllowedEntry(HeapBlock& acl, DWORD accessMask, const wchar_t* principal) {
    return AddEntry(acl, accessMask, principal, EntryPlace::Behind);
}

HRESULT AddDeniedEntry(HeapBlock& acl, DWORD accessMask, const wchar_t* principal) {
    return AddEntry(acl, accessMask, principal, EntryPlace::InFront);
}

HRESULT RemovePrincipalEntries(PACL acl, const wchar_t* principal) {
    TESK_RETURN_IF(!acl, E_INVALIDARG);
    HeapBlock sid;
    HRESULT hr = LookupPrincipalSid(principal, sid);
    TESK_RETURN_IF_FAILED(hr);
    // From the last entry down, so that a deletion never moves an entry not yet seen.
    for (DWORD index = acl->AceCount; index-- > 0;) {
        void* entry = nullptr;
        TESK_RETURN_LAST_ERROR_IF(!::GetAce(acl, index, &entry));
        TESK_RETURN_LAST_ERROR_IF(NamesSid(static_cast<ACE_HEADER*>(entry), sid.get()) &&
                                  !::DeleteAce(acl, index));
    }
    return S_OK;
}

bool IsPrincipalInAcl(PACL acl, const wchar_t* principal) {
    if (!acl) return false;
    HeapBlock sid;
    if (FAILED(LookupPrincipalSid(principal, sid))) return false;
    for (DWORD index = acl->AceCount; index-- > 0;) {
        void* entry = nullptr;
        if (::GetAce(acl, index, &entry) && NamesSid(static_cast<ACE_HEADER*>(entry), sid.get()))
            return true;
    }
    return false;
}
