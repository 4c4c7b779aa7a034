/* Without any of Morvel's code: the processor faults that Windows code meets
 * on purpose (a read of address 0, a division by zero, an invalid opcode, a
 * breakpoint), each caught by a vectored handler that checks the exception
 * code Wine made of it and the segment registers of the context it passes.
 * Natively every check holds. Under qemu-user, whose signal contexts carry
 * trap number -1 (linux/kernel_abi.c), Wine takes each fault for an
 * "unexpected trap" and reports the wrong exception, unless the preloaded
 * shim (../qemufix.c) puts the trap number back. */
#include <windows.h>
#include <stdio.h>

static void *volatile resume;  /* where the handler sends the faulting code on */
static volatile DWORD seen_code;
static volatile DWORD seen_segments[6];

static LONG CALLBACK handler(EXCEPTION_POINTERS *e)
{
    CONTEXT *c = e->ContextRecord;
    seen_code = e->ExceptionRecord->ExceptionCode;
    seen_segments[0] = c->SegGs; seen_segments[1] = c->SegFs; seen_segments[2] = c->SegEs;
    seen_segments[3] = c->SegDs; seen_segments[4] = c->SegCs; seen_segments[5] = c->SegSs;
    c->Eip = (DWORD)resume;
    return EXCEPTION_CONTINUE_EXECUTION;
}

static void page_fault(void) { __asm__ volatile("movl $1f, %0\n\tmovl 0, %%eax\n1:" : "=m"(resume) :: "eax", "memory"); }
static void divide_error(void)
{
    __asm__ volatile("movl $1f, %0\n\txorl %%edx, %%edx\n\tmovl $1, %%eax\n\txorl %%ecx, %%ecx\n\tdivl %%ecx\n1:"
                     : "=m"(resume) :: "eax", "ecx", "edx", "memory");
}
static void invalid_opcode(void) { __asm__ volatile("movl $1f, %0\n\tud2\n1:" : "=m"(resume) :: "memory"); }
static void breakpoint(void) { __asm__ volatile("movl $1f, %0\n\tint3\n1:" : "=m"(resume) :: "memory"); }

int main(void)
{
    static const struct { const char *name; void (*fault)(void); DWORD code; } faults[] = {
        {"page fault", page_fault, EXCEPTION_ACCESS_VIOLATION},
        {"division by zero", divide_error, EXCEPTION_INT_DIVIDE_BY_ZERO},
        {"invalid opcode", invalid_opcode, EXCEPTION_ILLEGAL_INSTRUCTION},
        {"breakpoint", breakpoint, EXCEPTION_BREAKPOINT},
    };
    static const char *names[6] = {"gs", "fs", "es", "ds", "cs", "ss"};
    AddVectoredExceptionHandler(1, handler);
    int failures = 0;
    for (int i = 0; i < 4; i++) {
        seen_code = 0;
        faults[i].fault();
        int clean = 1;
        for (int s = 0; s < 6; s++) clean &= seen_segments[s] <= 0xffff;
        printf("%s: exception 0x%08lx %s; segments", faults[i].name, seen_code,
               seen_code == faults[i].code ? "(ok)" : "(wrong)");
        for (int s = 0; s < 6; s++) printf(" %s=0x%lx", names[s], seen_segments[s]);
        printf(" %s\n", clean ? "(ok)" : "(wrong: upper halves not cleared)");
        failures += (seen_code != faults[i].code) + !clean;
    }
    if (!failures) puts("completed");
    fflush(stdout);
    return failures ? 1 : 0;
}
