#include "dcomconfig/acl_entries.h"

#include "dcomconfig/principal_sid.h"
#include "dcomconfig/win32_result.h"

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
    if (!::GetAclInformation(acl, &size, sizeof(size), AclSizeInformation)) return LastErrorResult();
    bytes = size.AclBytesInUse;
    return S_OK;
}

enum class EntryPlace { Behind, InFront };

HRESULT AddEntry(HeapBlock& acl, DWORD accessMask, const wchar_t* principal, EntryPlace place) {
    if (!acl) return E_INVALIDARG;
    HeapBlock sid;
    HRESULT hr = LookupPrincipalSid(principal, sid);
    if (FAILED(hr)) return hr;
    DWORD oldBytes = 0;
    hr = BytesInUse(AsAcl(acl), oldBytes);
    if (FAILED(hr)) return hr;
    // The header of the entry and its mask, with room to spare, plus its SID.
    DWORD newBytes = AlignedSize(oldBytes + 16 + ::GetLengthSid(sid.get()));
    HeapBlock grown = AllocateHeapBlock(newBytes);
    if (!grown) return E_OUTOFMEMORY;
    if (!::InitializeAcl(AsAcl(grown), newBytes, ACL_REVISION)) return LastErrorResult();
    if (place == EntryPlace::Behind) {
        hr = CopyAclEntries(AsAcl(acl), AsAcl(grown));
        if (FAILED(hr)) return hr;
        if (!::AddAccessAllowedAce(AsAcl(grown), ACL_REVISION, accessMask, sid.get()))
            return LastErrorResult();
    } else {
        if (!::AddAccessDeniedAce(AsAcl(grown), ACL_REVISION, accessMask, sid.get()))
            return LastErrorResult();
        hr = CopyAclEntries(AsAcl(acl), AsAcl(grown));
        if (FAILED(hr)) return hr;
    }
    acl = std::move(grown);
    return S_OK;
}
}  // namespace

HRESULT CopyAclEntries(PACL source, PACL destination) {
    if (!source || !destination) return E_INVALIDARG;
    for (DWORD index = 0; index < source->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(source, index, &entry)) return LastErrorResult();
        if (!::AddAce(destination, ACL_REVISION, MAXDWORD, entry,
                      static_cast<ACE_HEADER*>(entry)->AceSize))
            return LastErrorResult();
    }
    return S_OK;
}

HRESULT DuplicateAcl(PACL source, HeapBlock& copy) {
    if (!source) return E_INVALIDARG;
    DWORD bytes = 0;
    HRESULT hr = BytesInUse(source, bytes);
    if (FAILED(hr)) return hr;
    bytes = AlignedSize(bytes);
    HeapBlock duplicate = AllocateHeapBlock(bytes);
    if (!duplicate) return E_OUTOFMEMORY;
    if (!::InitializeAcl(AsAcl(duplicate), bytes, ACL_REVISION)) return LastErrorResult();
    hr = CopyAclEntries(source, AsAcl(duplicate));
    if (FAILED(hr)) return hr;
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
    if (!acl) return E_INVALIDARG;
    HeapBlock sid;
    HRESULT hr = LookupPrincipalSid(principal, sid);
    if (FAILED(hr)) return hr;
    // From the last entry down, so that a deletion never moves an entry not yet seen.
    for (DWORD index = acl->AceCount; index-- > 0;) {
        void* entry = nullptr;
        if (!::GetAce(acl, index, &entry)) return LastErrorResult();
        if (NamesSid(static_cast<ACE_HEADER*>(entry), sid.get()) && !::DeleteAce(acl, index))
            return LastErrorResult();
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
