/* Without any of Morvel's code: start /bin/sh through Wine's process creation
 * again and again, each writing a result file that this side waits for, as
 * Morvel's archiver library and its tests do. Under qemu-user 7.2 this
 * process dies of a segmentation fault after a few rounds; natively (i686 and
 * x86_64) it runs all 50. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    typedef WCHAR *(CDECL *to_dos)(const char *);
    to_dos dos = (to_dos)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
    if (!dos) { puts("not under Wine"); return 2; }
    WCHAR *sh = dos("/bin/sh");
    for (int i = 1; i <= 50; i++) {
        WCHAR line[512], result[MAX_PATH];
        swprintf(line, 512, L"\"%ls\" -c \"echo %d >/tmp/morvel-shell-loop-%lu.txt\"", sh, i, GetCurrentProcessId());
        swprintf(result, MAX_PATH, L"Z:\\tmp\\morvel-shell-loop-%lu.txt", GetCurrentProcessId());
        DeleteFileW(result);
        STARTUPINFOW si = {sizeof si};
        PROCESS_INFORMATION pi;
        if (!CreateProcessW(sh, line, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &si, &pi)) {
            printf("round %d: CreateProcessW failed, error %lu\n", i, GetLastError());
            return 1;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        DWORD start = GetTickCount();
        while (GetFileAttributesW(result) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start > 30000) { printf("round %d: no result\n", i); return 1; }
            Sleep(5);
        }
        printf("round %d ok\n", i);
        fflush(stdout);
    }
    puts("completed");
    fflush(stdout);
    return 0;
}
