#include "dcomconfig/stored_descriptor.h"

namespace {
// The fixed part of a SID: revision, count, identifier authority.
constexpr DWORD kSidHeaderBytes = 8;

bool SidFits(const BYTE* base, DWORD size, DWORD offset) {
    if (offset == 0 || offset > size || size - offset < kSidHeaderBytes) return false;
    const SID* sid = reinterpret_cast<const SID*>(base + offset);
    if (sid->SubAuthorityCount > SID_MAX_SUB_AUTHORITIES) return false;
    DWORD length = kSidHeaderBytes + sid->SubAuthorityCount * sizeof(DWORD);
    return size - offset >= length && ::IsValidSid(const_cast<SID*>(sid));
}

bool AclFits(const BYTE* base, DWORD size, DWORD offset) {
    if (offset == 0 || offset > size || size - offset < sizeof(ACL)) return false;
    const ACL* acl = reinterpret_cast<const ACL*>(base + offset);
    if (acl->AclSize < sizeof(ACL) || acl->AclSize > size - offset) return false;
    // Every entry header inside the ACL, and every SID inside its entry.
    DWORD position = sizeof(ACL);
    for (WORD index = 0; index < acl->AceCount; ++index) {
        if (acl->AclSize - position < sizeof(ACE_HEADER)) return false;
        const ACE_HEADER* header = reinterpret_cast<const ACE_HEADER*>(base + offset + position);
        if (header->AceSize < sizeof(ACE_HEADER) || header->AceSize > acl->AclSize - position)
            return false;
        if (header->AceType <= SYSTEM_AUDIT_ACE_TYPE) {
            constexpr DWORD kSidOffset = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
            if (header->AceSize < kSidOffset ||
                !SidFits(base + offset + position, header->AceSize, kSidOffset))
                return false;
        }
        position += header->AceSize;
    }
    return ::IsValidAcl(const_cast<ACL*>(acl)) != FALSE;
}
}  // namespace

bool IsUsableStoredDescriptor(const void* data, DWORD size) {
    if (!data || size < sizeof(SECURITY_DESCRIPTOR_RELATIVE)) return false;
    const BYTE* base = static_cast<const BYTE*>(data);
    const auto* header = static_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(data);
    if (header->Revision != SECURITY_DESCRIPTOR_REVISION) return false;
    if (!(header->Control & SE_SELF_RELATIVE) || !(header->Control & SE_DACL_PRESENT)) return false;
    if (!SidFits(base, size, header->Owner) || !SidFits(base, size, header->Group)) return false;
    if (!AclFits(base, size, header->Dacl)) return false;
    if ((header->Control & SE_SACL_PRESENT) && header->Sacl != 0 &&
        !AclFits(base, size, header->Sacl))
        return false;
    PSECURITY_DESCRIPTOR descriptor = const_cast<void*>(data);
    return ::IsValidSecurityDescriptor(descriptor) &&
           ::GetSecurityDescriptorLength(descriptor) <= size;
}
