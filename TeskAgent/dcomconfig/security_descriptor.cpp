#include "dcomconfig/security_descriptor.h"

#include "dcomconfig/acl_entries.h"
#include "dcomconfig/principal_sid.h"
#include "dcomconfig/stored_descriptor.h"
#include "dcomconfig/win32_result.h"

namespace {
const wchar_t kSystemPrincipal[] = L"NT Authority\\SYSTEM";

bool IsSystemPrincipal(const wchar_t* principal) {
    return ::lstrcmpiW(principal, L"SYSTEM") == 0 || ::lstrcmpiW(principal, kSystemPrincipal) == 0;
}

bool IsMissing(LONG code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

HRESULT MakeSelfRelative(PSECURITY_DESCRIPTOR absolute, HeapBlock& selfRelative) {
    DWORD bytes = 0;
    if (::MakeSelfRelativeSD(absolute, nullptr, &bytes) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return LastErrorResult();
    HeapBlock made = AllocateHeapBlock(bytes);
    if (!made) return E_OUTOFMEMORY;
    if (!::MakeSelfRelativeSD(absolute, made.get(), &bytes)) return LastErrorResult();
    selfRelative = std::move(made);
    return S_OK;
}

// Puts dacl into the absolute descriptor and stores the result. The edit has
// succeeded once the descriptor is made: ReadRegistrySD opened the key with
// full access already, and the operations report the edit, not the write.
HRESULT StoreWithDacl(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                      PSECURITY_DESCRIPTOR absolute, PACL dacl) {
    if (!::SetSecurityDescriptorDacl(absolute, TRUE, dacl, FALSE)) return LastErrorResult();
    HeapBlock selfRelative;
    HRESULT hr = MakeSelfRelative(absolute, selfRelative);
    if (FAILED(hr)) return hr;
    WriteRegistrySD(root, keyPath, valueName, selfRelative.get());
    return S_OK;
}

HRESULT GetDacl(PSECURITY_DESCRIPTOR descriptor, PACL& dacl) {
    BOOL present = FALSE, defaulted = FALSE;
    dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return LastErrorResult();
    // ReadRegistrySD hands out only descriptors with a DACL.
    return present && dacl ? S_OK : E_UNEXPECTED;
}

// The stored descriptor (or the default one, see ReadRegistrySD) and its DACL.
HRESULT ReadDescriptorAndDacl(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                              HeapBlock& descriptor, bool& isNewDefault, PACL& dacl) {
    HRESULT hr = ReadRegistrySD(root, keyPath, valueName, descriptor, isNewDefault);
    if (FAILED(hr)) return hr;
    return GetDacl(descriptor.get(), dacl);
}
}  // namespace

HRESULT WriteRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                        PSECURITY_DESCRIPTOR descriptor) {
    if (!descriptor || !::IsValidSecurityDescriptor(descriptor)) return E_INVALIDARG;
    tesk::UniqueRegKey key;
    LONG code = ::RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (code != ERROR_SUCCESS) return Win32Result(code);
    code = ::RegSetValueExW(key.get(), valueName, 0, REG_BINARY,
                            static_cast<const BYTE*>(descriptor),
                            ::GetSecurityDescriptorLength(descriptor));
    return Win32Result(code);
}

HRESULT ReadRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                       HeapBlock& descriptor, bool& isNewDefault) {
    isNewDefault = false;
    // Full access: whoever edits the value must be able to write it back, and
    // a refusal shows here, before anything is edited.
    tesk::UniqueRegKey key;
    LONG code = ::RegOpenKeyExW(root, keyPath, 0, KEY_ALL_ACCESS, key.put());
    if (IsMissing(code)) {
        isNewDefault = true;
        return CreateDefaultSD(descriptor);
    }
    if (code != ERROR_SUCCESS) return Win32Result(code);

    DWORD bytes = 0;
    code = ::RegQueryValueExW(key.get(), valueName, nullptr, nullptr, nullptr, &bytes);
    if (code == ERROR_SUCCESS && bytes > 0) {
        HeapBlock stored = AllocateHeapBlock(bytes);
        if (!stored) return E_OUTOFMEMORY;
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
    if (FAILED(hr)) return hr;
    const DWORD sidBytes = ::GetLengthSid(user.get());
    // One entry: its header, mask and SID fit in the SID length plus 20 bytes
    // together with the ACL header.
    const DWORD aclBytes = sidBytes + 20;

    // Descriptor, DACL, group and owner in one block, so one owner frees them all.
    const DWORD daclOffset = AlignedSize(sizeof(SECURITY_DESCRIPTOR));
    const DWORD groupOffset = daclOffset + AlignedSize(aclBytes);
    const DWORD ownerOffset = groupOffset + AlignedSize(sidBytes);
    HeapBlock block = AllocateHeapBlock(ownerOffset + sidBytes);
    if (!block) return E_OUTOFMEMORY;
    BYTE* base = static_cast<BYTE*>(block.get());
    PACL dacl = reinterpret_cast<PACL>(base + daclOffset);
    PSID group = base + groupOffset;
    PSID owner = base + ownerOffset;

    if (!::InitializeSecurityDescriptor(base, SECURITY_DESCRIPTOR_REVISION) ||
        !::InitializeAcl(dacl, aclBytes, ACL_REVISION) ||
        !::AddAccessAllowedAce(dacl, ACL_REVISION, kComExecuteAccess, user.get()) ||
        !::SetSecurityDescriptorDacl(base, TRUE, dacl, FALSE) ||
        !::CopySid(sidBytes, group, user.get()) ||
        !::SetSecurityDescriptorGroup(base, group, FALSE) ||
        !::CopySid(sidBytes, owner, user.get()) ||
        !::SetSecurityDescriptorOwner(base, owner, FALSE))
        return LastErrorResult();
    descriptor = std::move(block);
    return S_OK;
}

HRESULT ConvertToAbsoluteSD(PSECURITY_DESCRIPTOR selfRelative, HeapBlock& absolute) {
    if (!selfRelative || !::IsValidSecurityDescriptor(selfRelative)) return E_INVALIDARG;
    DWORD descriptorBytes = 0, daclBytes = 0, saclBytes = 0, ownerBytes = 0, groupBytes = 0;
    if (::MakeAbsoluteSD(selfRelative, nullptr, &descriptorBytes, nullptr, &daclBytes, nullptr,
                         &saclBytes, nullptr, &ownerBytes, nullptr, &groupBytes) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return LastErrorResult();

    const DWORD daclOffset = AlignedSize(descriptorBytes);
    const DWORD saclOffset = daclOffset + AlignedSize(daclBytes);
    const DWORD ownerOffset = saclOffset + AlignedSize(saclBytes);
    const DWORD groupOffset = ownerOffset + AlignedSize(ownerBytes);
    HeapBlock block = AllocateHeapBlock(groupOffset + groupBytes);
    if (!block) return E_OUTOFMEMORY;
    BYTE* base = static_cast<BYTE*>(block.get());
    auto part = [base](DWORD offset, DWORD bytes) { return bytes ? base + offset : nullptr; };
    if (!::MakeAbsoluteSD(selfRelative, base, &descriptorBytes,
                          reinterpret_cast<PACL>(part(daclOffset, daclBytes)), &daclBytes,
                          reinterpret_cast<PACL>(part(saclOffset, saclBytes)), &saclBytes,
                          part(ownerOffset, ownerBytes), &ownerBytes,
                          part(groupOffset, groupBytes), &groupBytes))
        return LastErrorResult();
    absolute = std::move(block);
    return S_OK;
}

HRESULT AddPrincipalToRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                 const wchar_t* principal, bool permit) {
    if (!principal) return E_INVALIDARG;
    HeapBlock descriptor;
    bool isNewDefault = false;
    PACL dacl = nullptr;
    HRESULT hr = ReadDescriptorAndDacl(root, keyPath, valueName, descriptor, isNewDefault, dacl);
    if (FAILED(hr)) return hr;
    HeapBlock working;
    hr = DuplicateAcl(dacl, working);
    if (FAILED(hr)) return hr;

    // The system account keeps its right to start the server, whatever the
    // AppID grants others. Failing to add it does not stop the grant asked for.
    if (!IsSystemPrincipal(principal) && !IsPrincipalInAcl(AsAcl(working), kSystemPrincipal))
        AddAllowedEntry(working, kComExecuteAccess, kSystemPrincipal);

    hr = permit ? AddAllowedEntry(working, kComExecuteAccess, principal)
                : AddDeniedEntry(working, kComExecuteAccess, principal);
    if (FAILED(hr)) return hr;

    HeapBlock converted;
    PSECURITY_DESCRIPTOR absolute = descriptor.get();
    if (!isNewDefault) {
        hr = ConvertToAbsoluteSD(descriptor.get(), converted);
        if (FAILED(hr)) return hr;
        absolute = converted.get();
    }
    return StoreWithDacl(root, keyPath, valueName, absolute, AsAcl(working));
}

HRESULT RemovePrincipalFromRegistrySD(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                      const wchar_t* principal) {
    if (!principal) return E_INVALIDARG;
    HeapBlock descriptor;
    bool isNewDefault = false;
    PACL dacl = nullptr;
    HRESULT hr = ReadDescriptorAndDacl(root, keyPath, valueName, descriptor, isNewDefault, dacl);
    if (FAILED(hr)) return hr;
    if (isNewDefault) return S_OK;  // nothing stored, nothing to take away

    hr = RemovePrincipalEntries(dacl, principal);
    if (FAILED(hr)) return hr;
    HeapBlock absolute;
    hr = ConvertToAbsoluteSD(descriptor.get(), absolute);
    if (FAILED(hr)) return hr;
    return StoreWithDacl(root, keyPath, valueName, absolute.get(), dacl);
}
