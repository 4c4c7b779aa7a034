/* Without any of Morvel's code: what the archiver library does for every call
 * under Wine. Start /bin/sh with a script that writes a few files into a fresh
 * folder, and wait for its result file with a change notification on that
 * folder, reading /proc to see whether the shell still lives. Natively (i686
 * and x86_64) all 100 rounds end; under qemu-user 7.2 the process dies of a
 * segmentation fault within a few rounds. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    typedef WCHAR *(CDECL *to_dos)(const char *);
    to_dos dos = (to_dos)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
    if (!dos) { puts("not under Wine"); return 2; }
    WCHAR *sh = dos("/bin/sh");
    char unix_dir[128];
    WCHAR dir[MAX_PATH], result[MAX_PATH], stat[MAX_PATH], line[512];
    for (int i = 1; i <= 100; i++) {
        snprintf(unix_dir, sizeof unix_dir, "/tmp/morvel-change-wait-%lu-%d", GetCurrentProcessId(), i);
        WCHAR *d = dos(unix_dir);
        lstrcpyW(dir, d);
        CreateDirectoryW(dir, NULL);
        swprintf(result, MAX_PATH, L"%ls\\rc", dir);
        swprintf(line, 512, L"\"%ls\" -c \"echo $$ >%hs/pid; seq 1 2000 >%hs/out; echo '0 0' >%hs/rc.part; mv %hs/rc.part %hs/rc\"",
                 sh, unix_dir, unix_dir, unix_dir, unix_dir, unix_dir);
        HANDLE change = FindFirstChangeNotificationW(dir, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE);
        STARTUPINFOW si = {sizeof si};
        PROCESS_INFORMATION pi;
        if (!CreateProcessW(sh, line, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, dir, &si, &pi)) {
            printf("round %d: CreateProcessW failed, error %lu\n", i, GetLastError());
            return 1;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        DWORD start = GetTickCount();
        while (GetFileAttributesW(result) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start > 30000) { printf("round %d: no result\n", i); return 1; }
            swprintf(stat, MAX_PATH, L"%ls\\..\\..\\proc\\self\\stat", dir);
            HANDLE f = CreateFileW(stat, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
            if (f != INVALID_HANDLE_VALUE) { char buf[512]; DWORD got; ReadFile(f, buf, sizeof buf, &got, NULL); CloseHandle(f); }
            if (WaitForSingleObject(change, 10) == WAIT_OBJECT_0) FindNextChangeNotification(change);
        }
        FindCloseChangeNotification(change);
        for (const WCHAR *name = L"pid"; name; name = name[0] == L'p' ? L"out" : name[0] == L'o' ? L"rc" : NULL) {
            WCHAR file[MAX_PATH];
            swprintf(file, MAX_PATH, L"%ls\\%ls", dir, name);
            DeleteFileW(file);
        }
        RemoveDirectoryW(dir);
        HeapFree(GetProcessHeap(), 0, d);
    }
    puts("completed");
    fflush(stdout);
    return 0;
}
