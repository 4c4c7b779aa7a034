/* A 32-bit Linux program, without C library or any of Morvel's code, that
 * checks three things Wine relies on and qemu-user 7.2 got wrong:
 *  - the x86 exception vector ("trap number") in the signal context of a
 *    fault: the kernel puts 14 for a page fault, 0 for a division by zero,
 *    6 for an invalid opcode, 3 for a breakpoint; 7.2 put -1, and Wine then
 *    took every fault for an "unexpected trap";
 *  - the segment register slots of that context: 16-bit selectors in 32-bit
 *    slots whose upper halves the kernel clears; 7.2 left what was on the
 *    stack there, and Wine restored contexts with cs=0x11d0023. The signal
 *    runs on a stack filled with 0xa5 so that garbage shows;
 *  - MAP_FIXED_NOREPLACE on a busy address fails with EEXIST; 7.2 gave a
 *    mapping elsewhere.
 * Prints one line per check and "completed" when all hold.
 * Built freestanding (gcc -m32 -ffreestanding -nostdlib -static), so it needs
 * no 32-bit development files and no preloaded library reaches it. */

enum { SYS_exit_group = 252, SYS_write = 4, SYS_rt_sigaction = 174, SYS_rt_sigreturn = 173,
       SYS_sigaltstack = 186, SYS_mmap2 = 192, SYS_munmap = 91 };
enum { SIGILL = 4, SIGTRAP = 5, SIGFPE = 8, SIGSEGV = 11 };
enum { SA_SIGINFO = 4, SA_ONSTACK = 0x08000000, SA_RESTORER = 0x04000000 };
enum { PROT_READ = 1, PROT_WRITE = 2, MAP_PRIVATE = 2, MAP_ANONYMOUS = 0x20,
       MAP_FIXED_NOREPLACE = 0x100000, EEXIST = 17 };
/* Slots of the i386 signal context (struct sigcontext, ucontext's gregs). */
enum { REG_GS = 0, REG_FS = 1, REG_ES = 2, REG_DS = 3, REG_TRAPNO = 12, REG_EIP = 14, REG_CS = 15,
       REG_SS = 18 };

/* A system call with up to five arguments; a sixth (ebp) is always 0. */
static long sys(long n, long a, long b, long c, long d, long e)
{
    long r;
    __asm__ volatile("push %%ebp\n\txorl %%ebp, %%ebp\n\tint $0x80\n\tpop %%ebp"
                     : "=a"(r) : "a"(n), "b"(a), "c"(b), "d"(c), "S"(d), "D"(e) : "memory");
    return r;
}

static unsigned long length(const char *s) { unsigned long n = 0; while (s[n]) n++; return n; }
static void say(const char *s) { sys(SYS_write, 1, (long)s, (long)length(s), 0, 0); }
static void say_hex(unsigned long v)
{
    char buf[11] = "0x";
    for (int i = 0; i < 8; i++) buf[2 + i] = "0123456789abcdef"[(v >> (28 - 4 * i)) & 15];
    buf[10] = 0;
    say(buf);
}
static void say_int(long v)
{
    char buf[12], *p = buf + sizeof buf;
    unsigned long u = v < 0 ? -v : v;
    *--p = 0;
    do *--p = (char)('0' + u % 10); while (u /= 10);
    if (v < 0) *--p = '-';
    say(p);
}

struct kernel_sigaction { void *handler; unsigned long flags; void (*restorer)(void); unsigned long mask[2]; };
struct stack { void *sp; int flags; unsigned long size; };
struct ucontext { unsigned long flags; void *link; struct stack stack; unsigned long gregs[19]; };

static volatile unsigned long resume;  /* where the handler sends the faulting code on */
static volatile long seen_trap;
static volatile unsigned long seen_segments[6];
static unsigned char signal_stack[65536];

__attribute__((naked)) static void restorer(void)
{
    __asm__ volatile("mov %0, %%eax\n\tint $0x80" :: "i"(SYS_rt_sigreturn));
}

static void handler(int sig, void *info, void *context)
{
    (void)sig; (void)info;
    struct ucontext *uc = context;
    static const int slots[6] = {REG_GS, REG_FS, REG_ES, REG_DS, REG_CS, REG_SS};
    seen_trap = (long)uc->gregs[REG_TRAPNO];
    for (int i = 0; i < 6; i++) seen_segments[i] = uc->gregs[slots[i]];
    uc->gregs[REG_EIP] = resume;
}

/* Each fault records where to go on past it, then faults. */
static void page_fault(void) { __asm__ volatile("movl $1f, %0\n\tmovl 0, %%eax\n1:" : "=m"(resume) :: "eax", "memory"); }
static void divide_error(void)
{
    __asm__ volatile("movl $1f, %0\n\txorl %%edx, %%edx\n\tmovl $1, %%eax\n\txorl %%ecx, %%ecx\n\tdivl %%ecx\n1:"
                     : "=m"(resume) :: "eax", "ecx", "edx", "memory");
}
static void invalid_opcode(void) { __asm__ volatile("movl $1f, %0\n\tud2\n1:" : "=m"(resume) :: "memory"); }
static void breakpoint(void) { __asm__ volatile("movl $1f, %0\n\tint3\n1:" : "=m"(resume) :: "memory"); }

static int failures;

static void check_fault(const char *name, int sig, void (*fault)(void), long vector)
{
    for (unsigned long i = 0; i < sizeof signal_stack; i++) signal_stack[i] = 0xa5;
    struct kernel_sigaction sa = {(void *)handler, SA_SIGINFO | SA_ONSTACK | SA_RESTORER, restorer, {0, 0}};
    sys(SYS_rt_sigaction, sig, (long)&sa, 0, 8, 0);
    seen_trap = -1000;
    fault();
    int ok = seen_trap == vector;
    say(name); say(": trap number "); say_int(seen_trap); say(ok ? " (ok)\n" : " (wrong: the kernel gives ");
    if (!ok) { say_int(vector); say(")\n"); failures++; }
    static const char *names[6] = {"gs", "fs", "es", "ds", "cs", "ss"};
    int clean = 1;
    for (int i = 0; i < 6; i++) clean &= seen_segments[i] <= 0xffff;
    say(name); say(": segment slots");
    for (int i = 0; i < 6; i++) { say(" "); say(names[i]); say("="); say_hex(seen_segments[i]); }
    say(clean ? " (ok)\n" : " (wrong: upper halves not cleared)\n");
    if (!clean) failures++;
}

static void check_fixed_noreplace(void)
{
    long page = sys(SYS_mmap2, 0, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1);
    if ((unsigned long)page > -4096UL) { say("mmap failed\n"); failures++; return; }
    long again = sys(SYS_mmap2, page, 4096, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1);
    say("MAP_FIXED_NOREPLACE on a busy page: ");
    if (again == -EEXIST) {
        say("EEXIST (ok)\n");
    } else {
        say("gave "); (unsigned long)again > -4096UL ? say_int(again) : say_hex((unsigned long)again);
        say(" (wrong: the kernel gives EEXIST)\n");
        failures++;
        if ((unsigned long)again <= -4096UL && again != page) sys(SYS_munmap, again, 4096, 0, 0, 0);
    }
    sys(SYS_munmap, page, 4096, 0, 0, 0);
}

void _start(void)
{
    struct stack ss = {signal_stack, 0, sizeof signal_stack};
    sys(SYS_sigaltstack, (long)&ss, 0, 0, 0, 0);
    check_fault("page fault", SIGSEGV, page_fault, 14);
    check_fault("division by zero", SIGFPE, divide_error, 0);
    check_fault("invalid opcode", SIGILL, invalid_opcode, 6);
    check_fault("breakpoint", SIGTRAP, breakpoint, 3);
    check_fixed_noreplace();
    if (!failures) say("completed\n");
    sys(SYS_exit_group, failures ? 1 : 0, 0, 0, 0, 0);
    for (;;) {}
}
