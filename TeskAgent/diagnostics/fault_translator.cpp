// The per-thread fault translator. g++ has neither _set_se_translator nor
// __try, so a machine fault inside the agent's own code is turned into a C++
// exception this way:
//  - a vectored exception handler, acting only for a thread that has a
//    translator installed, only for hardware fault codes and only for faults
//    in this image (faults that system libraries handle themselves stay theirs),
//    rewrites the thread's context so that execution resumes in a trampoline;
//  - the trampoline pushes the faulting address + 1 as if the faulting
//    instruction had called it (the unwinder looks up the return address - 1,
//    which lands inside the faulting instruction's try region), then enters a
//    frame with real unwind information that calls the translator, which throws.
// Throwing from the handler itself, or resuming at the exact faulting address,
// loses destructors or ends in std::terminate. Every file whose code can fault
// is compiled with -fnon-call-exceptions.

#include "diagnostics/com_eh.h"
#include "support/unique_resource.h"

extern "C" {
void tesk_fault_trampoline() __asm__("tesk_fault_trampoline");
[[noreturn]] void tesk_throw_translated_fault(DWORD code, ULONG_PTR address) __asm__(
    "tesk_throw_translated_fault");
}

#if defined(__x86_64__)
// Entered with RCX = code, RDX = accessed address, R8 = faulting address + 1.
__asm__(R"(
    .text
    .globl tesk_fault_trampoline
    .def tesk_fault_trampoline; .scl 2; .type 32; .endef
tesk_fault_trampoline:
    pushq %r8
    jmp tesk_fault_frame
    .def tesk_fault_frame; .scl 3; .type 32; .endef
    .seh_proc tesk_fault_frame
tesk_fault_frame:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    .seh_endprologue
    andq $-16, %rsp
    subq $32, %rsp
    call tesk_throw_translated_fault
    int3
    .seh_endproc
)");
#elif defined(__i386__)
// Entered with ECX = code, EDX = accessed address, EAX = faulting address + 1.
// The 32-bit runtime unwinds with DWARF call-frame information.
__asm__(R"(
    .text
    .globl tesk_fault_trampoline
tesk_fault_trampoline:
    pushl %eax
    jmp tesk_fault_frame
tesk_fault_frame:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl $-16, %esp
    subl $16, %esp
    movl %ecx, (%esp)
    movl %edx, 4(%esp)
    call tesk_throw_translated_fault
    int3
    .cfi_endproc
)");
#else
#error "fault trampoline: unsupported processor"
#endif

namespace com_eh {

namespace {

// What a thread's translator sees of its fault, kept until the trampoline runs
// (the handler's own exception record is gone by then).
struct FaultState {
    se_translator_function translator = nullptr;
    EXCEPTION_RECORD record = {};
    CONTEXT context = {};
};

// Faults of the processor itself. Breakpoints, single steps, guard pages and
// stack overflow are never translated, nor are software exceptions (a C++
// throw of g++ is 0x20474343, and its unwinding raises 0x21474343/0x22474343).
bool IsMachineFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_STACK_CHECK:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_PRIV_INSTRUCTION:
            return true;
        default:
            return false;
    }
}

LONG CALLBACK TranslateFault(EXCEPTION_POINTERS* info);

// Process-wide parts, made once: the thread slot that points at each thread's
// FaultState, the bounds of this image and the handler itself.
class FaultHandling {
public:
    static FaultHandling& Get() {
        static FaultHandling handling;
        return handling;
    }

    FaultState* ThreadState() const {
        return static_cast<FaultState*>(::TlsGetValue(slot_.get()));
    }
    void SetThreadState(FaultState* state) const { ::TlsSetValue(slot_.get(), state); }

    bool InImage(const void* address) const {
        auto at = reinterpret_cast<ULONG_PTR>(address);
        return at >= imageStart_ && at < imageEnd_;
    }

private:
    FaultHandling() : slot_(::TlsAlloc()) {
        HMODULE image = nullptr;
        ::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&TranslateFault), &image);
        if (image) {
            auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
            auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
                reinterpret_cast<const BYTE*>(image) + dos->e_lfanew);
            imageStart_ = reinterpret_cast<ULONG_PTR>(image);
            imageEnd_ = imageStart_ + nt->OptionalHeader.SizeOfImage;
        }
        handler_.reset(::AddVectoredExceptionHandler(1, TranslateFault));
    }

    tesk::UniqueTlsIndex slot_;
    ULONG_PTR imageStart_ = 0;
    ULONG_PTR imageEnd_ = 0;
    tesk::UniqueVectoredHandler handler_;
};

// The thread's state lives in thread-local storage of the runtime; the handler
// reaches it through the system's slot, which never allocates.
thread_local FaultState t_faultState;

LONG CALLBACK TranslateFault(EXCEPTION_POINTERS* info) {
    FaultHandling& handling = FaultHandling::Get();
    FaultState* state = handling.ThreadState();
    if (!state || !state->translator || !info || !info->ExceptionRecord || !info->ContextRecord)
        return EXCEPTION_CONTINUE_SEARCH;
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (!IsMachineFault(record->ExceptionCode) || (record->ExceptionFlags & EXCEPTION_NONCONTINUABLE) ||
        !handling.InImage(record->ExceptionAddress))
        return EXCEPTION_CONTINUE_SEARCH;

    state->record = *record;
    state->record.ExceptionRecord = nullptr;
    state->context = *info->ContextRecord;
    const ULONG_PTR address = record->NumberParameters >= 2 ? record->ExceptionInformation[1] : 0;

    CONTEXT* context = info->ContextRecord;
#if defined(__x86_64__)
    context->Rcx = record->ExceptionCode;
    context->Rdx = address;
    context->R8 = context->Rip + 1;
    context->Rip = reinterpret_cast<DWORD64>(&tesk_fault_trampoline);
#else
    context->Ecx = record->ExceptionCode;
    context->Edx = address;
    context->Eax = context->Eip + 1;
    context->Eip = reinterpret_cast<DWORD>(&tesk_fault_trampoline);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

se_translator_function set_se_translator(se_translator_function translator) {
    FaultHandling& handling = FaultHandling::Get();
    FaultState& state = t_faultState;
    handling.SetThreadState(&state);
    se_translator_function previous = state.translator;
    state.translator = translator;
    return previous;
}

}  // namespace com_eh

// Called by the trampoline on the faulting thread, as if from the faulting instruction.
extern "C" __attribute__((noinline, used)) void tesk_throw_translated_fault(DWORD code,
                                                                          ULONG_PTR) {
    using namespace com_eh;
    FaultState* state = FaultHandling::Get().ThreadState();
    EXCEPTION_POINTERS pointers = {&state->record, &state->context};
    if (state->translator) state->translator(code, &pointers);
    // A translator that returns has not thrown: the agent's own one does.
    se_translator(code, &pointers);
}
