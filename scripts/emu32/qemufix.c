/* Preloaded into 32-bit processes that run under qemu-user 7.2, to mend two
 * of its defects that break Wine:
 *
 * 1. The signal context is not what the kernel writes. A synchronous fault
 *    carries trap number -1 where the kernel puts the x86 exception vector;
 *    Wine decides what an exception is from that number, so every fault (and
 *    with it every exception Windows code raises on purpose) becomes
 *    "unexpected trap -1". And the segment registers are stored as 16 bits,
 *    leaving stack garbage in the upper half of each slot, which the kernel
 *    clears; Wine copies them into thread contexts as they are (cs=11d0023),
 *    and a context restored from them crashes. Every handler installed with
 *    SA_SIGINFO is wrapped; the wrapper clears the upper halves and, for a
 *    fault, derives the vector from the signal and si_code as the kernel
 *    would have set it.
 * 2. MAP_FIXED_NOREPLACE is taken as a mere hint: a busy address gives a
 *    mapping elsewhere instead of EEXIST. Such a result is undone and turned
 *    into the EEXIST the caller expects.
 *
 * The wrapper runs before Wine has restored its own segment registers, so it
 * must not touch thread-local storage: no errno, no stack protector, no libc. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stddef.h>
#include <sys/mman.h>
#include <ucontext.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

enum { kTrapDivide = 0, kTrapSingleStep = 1, kTrapBreakpoint = 3, kTrapOverflow = 4,
       kTrapInvalidOpcode = 6, kTrapGeneralProtection = 13, kTrapPageFault = 14,
       kTrapFpu = 16, kTrapAlignment = 17 };

typedef void (*info_handler)(int, siginfo_t *, void *);
static info_handler original[_NSIG];

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

static int is_fault_signal(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

__attribute__((no_stack_protector))
static void context_mender(int sig, siginfo_t *info, void *context)
{
    ucontext_t *uc = context;
    if (uc) {
        greg_t *regs = uc->uc_mcontext.gregs;
        static const int segments[] = {REG_GS, REG_FS, REG_ES, REG_DS, REG_CS, REG_SS};
        for (unsigned i = 0; i < sizeof segments / sizeof *segments; i++) regs[segments[i]] &= 0xffff;
        if ((int)regs[REG_TRAPNO] == -1 && is_fault_signal(sig))
            regs[REG_TRAPNO] = vector_for(sig, info ? info->si_code : 0);
    }
    original[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction *act, struct sigaction *old)
{
    static int (*real)(int, const struct sigaction *, struct sigaction *);
    if (!real) real = (int (*)(int, const struct sigaction *, struct sigaction *))dlsym(RTLD_NEXT, "sigaction");
    if (!act || sig <= 0 || sig >= _NSIG || !(act->sa_flags & SA_SIGINFO) || !act->sa_sigaction ||
        act->sa_handler == SIG_IGN)
        return real(sig, act, old);
    struct sigaction wrapped = *act;
    original[sig] = act->sa_sigaction;
    wrapped.sa_sigaction = context_mender;
    int result = real(sig, &wrapped, old);
    if (old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == context_mender)
        old->sa_sigaction = original[sig];
    return result;
}

static void *checked(void *want, size_t len, int flags, void *got)
{
    if ((flags & MAP_FIXED_NOREPLACE) && got != MAP_FAILED && got != want) {
        munmap(got, len);
        errno = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t off)
{
    static void *(*real)(void *, size_t, int, int, int, off_t);
    if (!real) real = (void *(*)(void *, size_t, int, int, int, off_t))dlsym(RTLD_NEXT, "mmap");
    return checked(addr, len, flags, real(addr, len, prot, flags, fd, off));
}

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, off64_t off)
{
    static void *(*real)(void *, size_t, int, int, int, off64_t);
    if (!real) real = (void *(*)(void *, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
    return checked(addr, len, flags, real(addr, len, prot, flags, fd, off));
}
