/* Preloaded into 32-bit processes that run under qemu-user, to mend the one
 * defect of its 10.0 that breaks Wine: the signal context of a processor
 * fault carries trap number -1 where the kernel puts the x86 exception vector
 * (repro/linux/kernel_abi.c). Wine decides what an exception is from that
 * number, so a read of a bad address reaches Windows code as an illegal
 * instruction and a division by zero as a floating-point fault
 * (repro/exceptions.c). Every handler installed with SA_SIGINFO is wrapped;
 * for a fault, the wrapper derives the vector from the signal and si_code as
 * the kernel would have set it.
 *
 * The wrapper runs before Wine has restored its own segment registers, so it
 * must not touch thread-local storage: no errno, no stack protector, no libc.
 * It is built without the C library's headers (no 32-bit development files
 * needed), so the few types of the i386 ABI it uses are spelled out here. */

#define RTLD_NEXT ((void *)-1l)
void *dlsym(void *handle, const char *name);

enum { SIGILL = 4, SIGTRAP = 5, SIGBUS = 7, SIGFPE = 8, SIGSEGV = 11, NSIG = 65 };
enum { SA_SIGINFO = 4 };
enum { ILL_PRVOPC = 5, FPE_INTDIV = 1, FPE_INTOVF = 2, SEGV_MAPERR = 1, SEGV_ACCERR = 2, BUS_ADRALN = 1,
       TRAP_TRACE = 2 };
enum { kTrapDivide = 0, kTrapSingleStep = 1, kTrapBreakpoint = 3, kTrapOverflow = 4,
       kTrapInvalidOpcode = 6, kTrapGeneralProtection = 13, kTrapPageFault = 14,
       kTrapFpu = 16, kTrapAlignment = 17 };
enum { REG_TRAPNO = 12 };  /* slot of the trap number in the context's registers */

typedef void (*info_handler)(int, void *, void *);
/* The C library's struct sigaction on i386. */
struct sigaction_abi { info_handler sa_sigaction; unsigned long sa_mask[32]; int sa_flags; void (*sa_restorer)(void); };
struct siginfo_head { int si_signo, si_errno, si_code; };
struct ucontext_abi { unsigned long uc_flags; void *uc_link; void *ss_sp; int ss_flags; unsigned long ss_size;
                      long gregs[19]; };

static info_handler original[NSIG];

static int vector_for(int sig, int code)
{
    switch (sig) {
    case SIGSEGV: return code == SEGV_MAPERR || code == SEGV_ACCERR ? kTrapPageFault : kTrapGeneralProtection;
    case SIGBUS:  return code == BUS_ADRALN ? kTrapAlignment : kTrapPageFault;
    case SIGILL:  return code == ILL_PRVOPC ? kTrapGeneralProtection : kTrapInvalidOpcode;
    case SIGFPE:
        if (code == FPE_INTDIV) return kTrapDivide;
        if (code == FPE_INTOVF) return kTrapOverflow;
        return kTrapFpu;
    case SIGTRAP: return code == TRAP_TRACE ? kTrapSingleStep : kTrapBreakpoint;
    default:      return -1;
    }
}

static void context_mender(int sig, void *info, void *context)
{
    struct ucontext_abi *uc = context;
    if (uc && uc->gregs[REG_TRAPNO] == -1)
        uc->gregs[REG_TRAPNO] = vector_for(sig, info ? ((struct siginfo_head *)info)->si_code : 0);
    original[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction_abi *act, struct sigaction_abi *old)
{
    static int (*real)(int, const struct sigaction_abi *, struct sigaction_abi *);
    if (!real) real = (int (*)(int, const struct sigaction_abi *, struct sigaction_abi *))dlsym(RTLD_NEXT, "sigaction");
    /* SIG_DFL and SIG_IGN are 0 and 1. */
    if (!act || sig <= 0 || sig >= NSIG || !(act->sa_flags & SA_SIGINFO) || (unsigned long)act->sa_sigaction <= 1)
        return real(sig, act, old);
    struct sigaction_abi wrapped = *act;
    original[sig] = act->sa_sigaction;
    wrapped.sa_sigaction = context_mender;
    int result = real(sig, &wrapped, old);
    if (old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == context_mender)
        old->sa_sigaction = original[sig];
    return result;
}
