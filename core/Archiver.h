// The binding to the outside archiver library 7-ZIP32.DLL: loaded once at the
// main window's first show, switched to UTF-8 command text, unloaded at close.
#pragma once
#include <windows.h>

class JobHost;

extern HMODULE ArchiverModule;  // null until loaded, and again after a refusal or unload
extern bool StartupFailed;      // set when the library is missing or unusable

// Entry points, all WINAPI. SevenZip returns 0 exactly on success.
using SevenZipFunction = int(WINAPI*)(HWND owner, LPCSTR command, LPSTR output, DWORD outputSize);
using SevenZipVersionFunction = WORD(WINAPI*)();
using SevenZipSetUnicodeModeFunction = BOOL(WINAPI*)(BOOL unicode);

// Tries the executable's folder, then the system folder. On success writes the
// version line(s) through host.AppendLog; otherwise shows the error box (owned
// by host.OwnerWindow(), through ShowMessageBox) and sets StartupFailed.
void LoadArchiver(JobHost& host);
// Releases ArchiverModule if it is loaded; safe to call more than once.
void UnloadArchiver();

// GetProcAddress typed; null when the module is null or lacks the name (never
// a lookup in the executable itself, which a null module would mean).
template <typename F>
F ArchiverEntry(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
