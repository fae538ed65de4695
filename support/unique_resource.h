#pragma once
// Small owner types for Windows resources: one type per handle kind, each
// releasing its resource on every way out of the scope that holds it.

#include <windows.h>
#include <oleauto.h>
#include <winsvc.h>
#include <ntsecapi.h>
#include <lmcons.h>
#include <lmapibuf.h>
#include <utility>

namespace tesk {

// Owns one resource described by Traits: Traits::handle_type, Traits::invalid()
// and Traits::close(handle). Move-only. Releasing keeps the thread's last Win32
// error as it was, so a failure's cause survives the owners closed after it.
template <class Traits>
class UniqueResource {
public:
    using handle_type = typename Traits::handle_type;

    UniqueResource() noexcept : handle_(Traits::invalid()) {}
    explicit UniqueResource(handle_type handle) noexcept : handle_(handle) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    handle_type get() const noexcept { return handle_; }
    handle_type operator->() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

    // Address for an API that writes a new handle; releases the present one first.
    handle_type* put() noexcept {
        reset();
        return &handle_;
    }

    handle_type release() noexcept { return std::exchange(handle_, Traits::invalid()); }

    void reset(handle_type handle = Traits::invalid()) noexcept {
        handle_type old = std::exchange(handle_, handle);
        if (old == Traits::invalid()) return;
        const DWORD lastError = ::GetLastError();
        Traits::close(old);
        ::SetLastError(lastError);
    }

private:
    handle_type handle_;
};

struct RegKeyTraits {
    using handle_type = HKEY;
    static HKEY invalid() noexcept { return nullptr; }
    static void close(HKEY key) noexcept { ::RegCloseKey(key); }
};

// Kernel objects whose failure value is null: events, processes, threads.
struct KernelHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) noexcept { ::FindClose(handle); }
};

struct ServiceHandleTraits {
    using handle_type = SC_HANDLE;
    static SC_HANDLE invalid() noexcept { return nullptr; }
    static void close(SC_HANDLE handle) noexcept { ::CloseServiceHandle(handle); }
};

struct LibraryTraits {
    using handle_type = HMODULE;
    static HMODULE invalid() noexcept { return nullptr; }
    static void close(HMODULE module) noexcept { ::FreeLibrary(module); }
};

struct CoTaskMemTraits {
    using handle_type = void*;
    static void* invalid() noexcept { return nullptr; }
    static void close(void* block) noexcept { ::CoTaskMemFree(block); }
};

struct LocalMemTraits {
    using handle_type = HLOCAL;
    static HLOCAL invalid() noexcept { return nullptr; }
    static void close(HLOCAL block) noexcept { ::LocalFree(block); }
};

// Blocks of the process heap (HeapAlloc on GetProcessHeap()).
struct ProcessHeapTraits {
    using handle_type = void*;
    static void* invalid() noexcept { return nullptr; }
    static void close(void* block) noexcept { ::HeapFree(::GetProcessHeap(), 0, block); }
};

struct SafeArrayTraits {
    using handle_type = SAFEARRAY*;
    static SAFEARRAY* invalid() noexcept { return nullptr; }
    static void close(SAFEARRAY* array) noexcept { ::SafeArrayDestroy(array); }
};

struct SysStringTraits {
    using handle_type = BSTR;
    static BSTR invalid() noexcept { return nullptr; }
    static void close(BSTR text) noexcept { ::SysFreeString(text); }
};

// A COM interface pointer: one reference, released with the owner.
template <class Interface>
struct ComInterfaceTraits {
    using handle_type = Interface*;
    static Interface* invalid() noexcept { return nullptr; }
    static void close(Interface* object) noexcept { object->Release(); }
};

// Registration cookies: a class object registered with COM and an object
// registered in the platform's running object table.
struct ClassObjectRegistrationTraits {
    using handle_type = DWORD;
    static DWORD invalid() noexcept { return 0; }
    static void close(DWORD cookie) noexcept { ::CoRevokeClassObject(cookie); }
};

struct ActiveObjectRegistrationTraits {
    using handle_type = DWORD;
    static DWORD invalid() noexcept { return 0; }
    static void close(DWORD cookie) noexcept { ::RevokeActiveObject(cookie, nullptr); }
};

// Files and other handles whose failure value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

// A process-wide vectored exception handler.
struct VectoredHandlerTraits {
    using handle_type = void*;
    static void* invalid() noexcept { return nullptr; }
    static void close(void* handler) noexcept { ::RemoveVectoredExceptionHandler(handler); }
};

// A thread-local storage slot of the process.
struct TlsIndexTraits {
    using handle_type = DWORD;
    static DWORD invalid() noexcept { return TLS_OUT_OF_INDEXES; }
    static void close(DWORD index) noexcept { ::TlsFree(index); }
};

using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueServiceHandle = UniqueResource<ServiceHandleTraits>;
using UniqueLibrary = UniqueResource<LibraryTraits>;
using UniqueSafeArray = UniqueResource<SafeArrayTraits>;
using UniqueLocalMem = UniqueResource<LocalMemTraits>;
using UniqueProcessHeapBlock = UniqueResource<ProcessHeapTraits>;
using UniqueSysString = UniqueResource<SysStringTraits>;
using UniqueClassObjectRegistration = UniqueResource<ClassObjectRegistrationTraits>;
using UniqueActiveObjectRegistration = UniqueResource<ActiveObjectRegistrationTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueVectoredHandler = UniqueResource<VectoredHandlerTraits>;
using UniqueTlsIndex = UniqueResource<TlsIndexTraits>;
template <class Interface>
using UniqueComPtr = UniqueResource<ComInterfaceTraits<Interface>>;

// Task memory handed out by COM (StringFromCLSID, ProgIDFromCLSID, ...).
template <class T>
class UniqueCoTaskMem : public UniqueResource<CoTaskMemTraits> {
public:
    using UniqueResource<CoTaskMemTraits>::UniqueResource;
    T* get() const noexcept { return static_cast<T*>(UniqueResource<CoTaskMemTraits>::get()); }
    T* operator->() const noexcept { return get(); }
    T** put() noexcept { return reinterpret_cast<T**>(UniqueResource<CoTaskMemTraits>::put()); }
};
using UniqueCoTaskString = UniqueCoTaskMem<wchar_t>;

// A VARIANT that is cleared when it goes out of scope.
class UniqueVariant {
public:
    UniqueVariant() noexcept { ::VariantInit(&value_); }
    ~UniqueVariant() { ::VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }
    VARIANT* operator->() noexcept { return &value_; }
    // Clears the held value now (releasing what it refers to); VT_EMPTY afterwards.
    HRESULT reset() noexcept { return ::VariantClear(&value_); }
    // Gives the held value away; this owner is left VT_EMPTY.
    VARIANT release() noexcept {
        VARIANT out = value_;
        ::VariantInit(&value_);
        return out;
    }

private:
    VARIANT value_;
};

// SIDs built by AllocateAndInitializeSid.
struct AllocatedSidTraits {
    using handle_type = PSID;
    static PSID invalid() noexcept { return nullptr; }
    static void close(PSID sid) noexcept { ::FreeSid(sid); }
};

// Handles of the local security authority (LsaOpenPolicy).
struct LsaHandleTraits {
    using handle_type = LSA_HANDLE;
    static LSA_HANDLE invalid() noexcept { return nullptr; }
    static void close(LSA_HANDLE handle) noexcept { ::LsaClose(handle); }
};

// Memory the local security authority hands out (LsaRetrievePrivateData, ...).
struct LsaMemoryTraits {
    using handle_type = void*;
    static void* invalid() noexcept { return nullptr; }
    static void close(void* block) noexcept { ::LsaFreeMemory(block); }
};

// Buffers of the network management functions (NetGetDCName, ...).
struct NetApiBufferTraits {
    using handle_type = void*;
    static void* invalid() noexcept { return nullptr; }
    static void close(void* block) noexcept { ::NetApiBufferFree(block); }
};

using UniqueAllocatedSid = UniqueResource<AllocatedSidTraits>;
using UniqueLsaHandle = UniqueResource<LsaHandleTraits>;
using UniqueLsaMemory = UniqueResource<LsaMemoryTraits>;
using UniqueNetApiBuffer = UniqueResource<NetApiBufferTraits>;

}  // namespace tesk
