#include "dcomconfig/security_descriptor.h"

#include "dcomconfig/acl_entries.h"
#include "dcomconfig/principal_sid.h"
#include "dcomconfig/stored_descriptor.h"
#include "diagnostics/returned_failure.h"
#include "support/registry.h"
#include "support/win32_result.h"

namespace {
const wchar_t kSystemPrincipal[] = L"NT Authority\\SYSTEM";

bool IsSystemPrincipal(const wchar_t* principal) {
    return ::lstrcmpiW(principal, L"SYSTEM") == 0 || ::lstrcmpiW(principal, kSystemPrincipal) == 0;
}

using tesk::registry::IsMissing;

HRESULT MakeSelfRelative(PSECURITY_DESCRIPTOR absolute, HeapBlock& selfRelative) {
    DWORD bytes = 0;
    TESK_RETURN_LAST_ERROR_IF(::MakeSelfRelativeSD(absolute, nullptr, &bytes) ||
                              ::GetLastError() != ERROR_INSUFFICIENT_BUFFER);
    HeapBlock made = AllocateHeapBlock(bytes);
    TESK_RETURN_IF(!made, E_OUTOFMEMORY);
    TESK_RETURN_LAST_ERROR_IF(!::MakeSelfRelativeSD(absolute, made.get(), &bytes));
    selfRelative = std::move(made);
    return S_OK;
}

// Puts dacl into the absolute descriptor and stores the result. The edit has
// succeeded once the descriptor is made: ReadRegistrySD opened the key with
// full access already, and the operations report the edit, not the write.
HRESULT StoreWithDacl(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                      PSECURITY_DESCRIPTOR absolute, PACL dacl) {
    TESK_RETURN_LAST_ERROR_IF(!::SetSecurityDescriptorDacl(absolute, TRUE, dacl, FALSE));
    HeapBlock selfRelative;
    HRESULT hr = MakeSelfRelative(absolute, selfRelative);
    TESK_RETURN_IF_FAILED(hr);
    WriteRegistrySD(root, keyPath, valueName, selfRelative.get());
    return S_OK;
}

HRESULT GetDacl(PSECURITY_DESCRIPTOR descriptor, PACL& dacl) {
    BOOL present = FALSE, defaulted = FALSE;
    dacl = nullptr;
    TESK_RETURN_LAST_ERROR_IF(
        !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    // ReadRegistrySD hands out only descriptors with a DACL.
    return present && dacl ? S_OK : E_UNEXPECTED;
}

// The stored descriptor (or the default one, see ReadRegistrySD) and its DACL.
HRESULT ReadDescriptorAndDacl(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                              HeapBlock& descriptor, bool& isNewDefault, PACL& dacl) {
    HRESULT hr = ReadRegistrySD(root, keyPath, valueName, descriptor, isNewDefault);
    TESK_RETURN_IF_FAILED(hr);
    return GetDacl(descriptor.get(), dacl);
}
}  // namespace

HRESULT WriteRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                        PSECURITY_DESCRIPTOR descriptor) {
    TESK_RETURN_IF(!descriptor || !::IsValidSecurityDescriptor(descriptor), E_INVALIDARG);
    tesk::UniqueRegKey key;
    TESK_RETURN_IF_FAILED(tesk::registry::Create(root, keyPath, KEY_ALL_ACCESS, key));
    LONG code =
        ::RegSetValueExW(key.get(), valueName, 0, REG_BINARY, static_cast<const BYTE*>(descriptor),
                         ::GetSecurityDescriptorLength(descriptor));
    return tesk::Win32Result(code);
}

HRESULT ReadRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                       HeapBlock& descriptor, bool& isNewDefault) {
    isNewDefault = false;
    // Full access: whoever edits the value must be able to write it back, and
    // a refusal shows here, before anything is edited.
    tesk::UniqueRegKey key;
    HRESULT hr = tesk::registry::Open(root, keyPath, KEY_ALL_ACCESS, key);
    if (IsMissing(hr)) {
        isNewDefault = true;
        return CreateDefaultSD(descriptor);
    }
    TESK_RETURN_IF_FAILED(hr);

    DWORD bytes = 0;
    LONG code = ::RegQueryValueExW(key.get(), valueName, nullptr, nullptr, nullptr, &bytes);
    if (code == ERROR_SUCCESS && bytes > 0) {
        HeapBlock stored = AllocateHeapBlock(bytes);
        TESK_RETURN_IF(!stored, E_OUTOFMEMORY);
        code = ::RegQueryValueExW(key.get(), valueName, nullptr, nullptr,
                                  static_cast<BYTE*>(stored.get()), &bytes);
        if (code == ERROR_SUCCESS && IsUsableStoredDescriptor(stored.get(), bytes)) {
            descriptor = std::move(stored);
            return S_OK;
        }
    }
    isNewDefault = true;
    return CreateDefaultSD(descriptor);
}

HRESULT CreateDefaultSD(HeapBlock& descriptor) {
    HeapBlock user;
    HRESULT hr = GetProcessUserSid(user);
    TESK_RETURN_IF_FAILED(hr);
    const DWORD sidBytes = ::GetLengthSid(user.get());
    // One entry: its header, mask and SID fit in the SID length plus 20 bytes
    // together with the ACL header.
    const DWORD aclBytes = sidBytes + 20;

    // Descriptor, DACL, group and owner in one block, so one owner frees them all.
    const DWORD daclOffset = AlignedSize(sizeof(SECURITY_DESCRIPTOR));
    const DWORD groupOffset = daclOffset + AlignedSize(aclBytes);
    const DWORD ownerOffset = groupOffset + AlignedSize(sidBytes);
    HeapBlock block = AllocateHeapBlock(ownerOffset + sidBytes);
    TESK_RETURN_IF(!block, E_OUTOFMEMORY);
    BYTE* base = static_cast<BYTE*>(block.get());
    PACL dacl = reinterpret_cast<PACL>(base + daclOffset);
    PSID group = base + groupOffset;
    PSID owner = base + ownerOffset;

    TESK_RETURN_LAST_ERROR_IF(
        !::InitializeSecurityDescriptor(base, SECURITY_DESCRIPTOR_REVISION) ||
        !::InitializeAcl(dacl, aclBytes, ACL_REVISION) ||
        !::AddAccessAllowedAce(dacl, ACL_REVISION, kComExecuteAccess, user.get()) ||
        !::SetSecurityDescriptorDacl(base, TRUE, dacl, FALSE) ||
        !::CopySid(sidBytes, group, user.get()) ||
        !::SetSecurityDescriptorGroup(base, group, FALSE) ||
        !::CopySid(sidBytes, owner, user.get()) ||
        !::SetSecurityDescriptorOwner(base, owner, FALSE));
    descriptor = std::move(block);
    return S_OK;
}

HRESULT ConvertToAbsoluteSD(PSECURITY_DESCRIPTOR selfRelative, HeapBlock& absolute) {
    TESK_RETURN_IF(!selfRelative || !::IsValidSecurityDescriptor(selfRelative), E_INVALIDARG);
    DWORD descriptorBytes = 0, daclBytes = 0, saclBytes = 0, ownerBytes = 0, groupBytes = 0;
    TESK_RETURN_LAST_ERROR_IF(::MakeAbsoluteSD(selfRelative, nullptr, &descriptorBytes, nullptr,
                                               &daclBytes, nullptr, &saclBytes, nullptr,
                                               &ownerBytes, nullptr, &groupBytes) ||
                              ::GetLastError() != ERROR_INSUFFICIENT_BUFFER);

    const DWORD daclOffset = AlignedSize(descriptorBytes);
    const DWORD saclOffset = daclOffset + AlignedSize(daclBytes);
    const DWORD ownerOffset = saclOffset + AlignedSize(saclBytes);
    const DWORD groupOffset = ownerOffset + AlignedSize(ownerBytes);
    HeapBlock block = AllocateHeapBlock(groupOffset + groupBytes);
    TESK_RETURN_IF(!block, E_OUTOFMEMORY);
    BYTE* base = static_cast<BYTE*>(block.get());
    auto part = [base](DWORD offset, DWORD bytes) { return bytes ? base + offset : nullptr; };
    TESK_RETURN_LAST_ERROR_IF(!::MakeAbsoluteSD(
        selfRelative, base, &descriptorBytes, reinterpret_cast<PACL>(part(daclOffset, daclBytes)),
        &daclBytes, reinterpret_cast<PACL>(part(saclOffset, saclBytes)), &saclBytes,
        part(ownerOffset, ownerBytes), &ownerBytes, part(groupOffset, groupBytes), &groupBytes));
    absolute = std::move(block);
    return S_OK;
}

HRESULT AddPrincipalToRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                 const wchar_t* principal, bool permit) {
    TESK_RETURN_IF(!principal, E_INVALIDARG);
    HeapBlock descriptor;
    bool isNewDefault = false;
    PACL dacl = nullptr;
    HRESULT hr = ReadDescriptorAndDacl(root, keyPath, valueName, descriptor, isNewDefault, dacl);
    TESK_RETURN_IF_FAILED(hr);
    HeapBlock working;
    hr = DuplicateAcl(dacl, working);
    TESK_RETURN_IF_FAILED(hr);

    // The system account keeps its right to start the server, whatever the
    // AppID grants others. Failing to add it does not stop the grant asked for.
    if (!IsSystemPrincipal(principal) && !IsPrincipalInAcl(AsAcl(working), kSystemPrincipal))
        AddAllowedEntry(working, kComExecuteAccess, kSystemPrincipal);

    hr = permit ? AddAllowedEntry(working, kComExecuteAccess, principal)
                : AddDeniedEntry(working, kComExecuteAccess, principal);
    TESK_RETURN_IF_FAILED(hr);

    HeapBlock converted;
    PSECURITY_DESCRIPTOR absolute = descriptor.get();
    if (!isNewDefault) {
        hr = ConvertToAbsoluteSD(descriptor.get(), converted);
        TESK_RETURN_IF_FAILED(hr);
        absolute = converted.get();
    }
    return StoreWithDacl(root, keyPath, valueName, absolute, AsAcl(working));
}

HRESULT RemovePrincipalFromRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                      const wchar_t* principal) {
    TESK_RETURN_IF(!principal, E_INVALIDARG);
    HeapBlock descriptor;
    bool isNewDefault = false;
    PACL dacl = nullptr;
    HRESULT hr = ReadDescriptorAndDacl(root, keyPath, valueName, descriptor, isNewDefault, dacl);
    TESK_RETURN_IF_FAILED(hr);
    if (isNewDefault) return S_OK;  // nothing stored, nothing to take away

    hr = RemovePrincipalEntries(dacl, principal);
    TESK_RETURN_IF_FAILED(hr);
    HeapBlock absolute;
    hr = ConvertToAbsoluteSD(descriptor.get(), absolute);
    TESK_RETURN_IF_FAILED(hr);
    return StoreWithDacl(root, keyPath, valueName, absolute.get(), dacl);
}
