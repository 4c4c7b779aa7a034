/* Without any of Morvel's code: show a top-level window, maximise it, restore
 * it, minimise it, then destroy it and show a new one, as the main window's
 * bounds test does. Natively (i686 and x86_64) and under qemu-user 10.0 this
 * ends with exit code 0; under qemu-user 7.2 Wine's X11 driver died of
 * "BadWindow (X_UnmapWindow)", one reason why ../qemu takes 10.0 only. */
#include <windows.h>
#include <stdio.h>

static void pump_until(HWND w, BOOL (WINAPI *state)(HWND))
{
    DWORD start = GetTickCount();
    MSG m;
    while (!state(w) && GetTickCount() - start < 5000)
        while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

static BOOL WINAPI is_normal(HWND w) { return !IsIconic(w) && !IsZoomed(w); }

int main(void)
{
    for (int round = 0; round < 2; round++) {
        for (int show = 0; show < 2; show++) {
            HWND w = CreateWindowExW(0, L"STATIC", L"repro", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 80, 420, 260,
                                     NULL, NULL, GetModuleHandleW(NULL), NULL);
            if (!w) { puts("no window"); return 2; }
            pump_until(w, is_normal);
            ShowWindow(w, show == 0 ? SW_MAXIMIZE : SW_MINIMIZE);
            pump_until(w, show == 0 ? IsZoomed : IsIconic);
            DestroyWindow(w);
        }
    }
    puts("completed");
    fflush(stdout);
    return 0;
}
