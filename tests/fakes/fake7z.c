/* A stand-in for the archiver library that records what it is given.
   MORVEL_FAKE7Z_LOG names a file that receives one record per call;
   MORVEL_FAKE7Z_RESULT is what SevenZip returns (default 0);
   MORVEL_FAKE7Z_VERSIONS "v,s,altv,alts" overrides the built-in numbers;
   MORVEL_FAKE7Z_CREATE names an archive that a successful SevenZip writes;
   MORVEL_FAKE7Z_CLOSE set makes SevenZip post WM_CLOSE to its owner and run the
   caller's messages, as a library that keeps its caller's window painted does.
   Which entry points exist is decided by the .def file of each variant. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifndef FAKE_VERSION
#define FAKE_VERSION 920
#endif
#ifndef FAKE_SUBVERSION
#define FAKE_SUBVERSION 2
#endif
#ifndef FAKE_ALT_VERSION
#define FAKE_ALT_VERSION 1602
#endif
#ifndef FAKE_ALT_SUBVERSION
#define FAKE_ALT_SUBVERSION 5
#endif

static int Env(const wchar_t* name, wchar_t* out, DWORD size) {
  DWORD n = GetEnvironmentVariableW(name, out, size);
  return n > 0 && n < size;
}

static FILE* OpenLog(void) {
  wchar_t path[1024];
  if (!Env(L"MORVEL_FAKE7Z_LOG", path, 1024)) return NULL;
  return _wfopen(path, L"ab");
}

static void Record(const char* text) {
  FILE* f = OpenLog();
  if (!f) return;
  fputs(text, f);
  fputc('\n', f);
  fclose(f);
}

static WORD Version(int which, WORD fallback) {
  wchar_t text[128];
  int v[4];
  if (!Env(L"MORVEL_FAKE7Z_VERSIONS", text, 128)) return fallback;
  if (swscanf(text, L"%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]) != 4) return fallback;
  return (WORD)v[which];
}

/* An empty ZIP: the end-of-central-directory record alone. */
static void CreateArchive(void) {
  static const char empty[22] = {'P', 'K', 5, 6};
  wchar_t path[1024];
  FILE* f;
  if (!Env(L"MORVEL_FAKE7Z_CREATE", path, 1024)) return;
  f = _wfopen(path, L"wb");
  if (!f) return;
  fwrite(empty, 1, sizeof empty, f);
  fclose(f);
}

/* Record: a header line, the command bytes exactly, then a newline. The header
   holds the offered size and the owner window's state during the call. */
int WINAPI SevenZip(HWND owner, LPCSTR command, LPSTR output, DWORD size) {
  wchar_t caption[512] = L"";
  char caption8[1536] = "";
  wchar_t result[32];
  size_t length = strlen(command);
  FILE* f = OpenLog();
  if (owner) GetWindowTextW(owner, caption, 512);
  WideCharToMultiByte(CP_UTF8, 0, caption, -1, caption8, sizeof caption8, NULL, NULL);
  if (f) {
    fprintf(f, "SevenZip size=%lu enabled=%d caption=%s length=%lu\n", (unsigned long)size,
            owner ? (IsWindowEnabled(owner) ? 1 : 0) : -1, caption8, (unsigned long)length);
    fwrite(command, 1, length, f);
    fputc('\n', f);
    fclose(f);
  }
  /* A real library may fill the whole buffer it is offered. */
  if (output && size > 0) {
    memset(output, '.', size - 1);
    output[size - 1] = '\0';
  }
  if (Env(L"MORVEL_FAKE7Z_CLOSE", result, 32)) {
    MSG msg;
    int rounds;
    if (owner) PostMessageW(owner, WM_CLOSE, 0, 0);
    /* Several rounds: what the close posts in turn is run too. */
    for (rounds = 0; rounds < 20; ++rounds)
      while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage((int)msg.wParam);
          rounds = 20;
          break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    /* Reached only while this library is still loaded. */
    Record("returning from SevenZip");
  }
  if (Env(L"MORVEL_FAKE7Z_RESULT", result, 32) && _wtoi(result) != 0) return _wtoi(result);
  CreateArchive();
  return 0;
}

WORD WINAPI SevenZipGetVersion(void) {
  Record("GetVersion");
  return Version(0, FAKE_VERSION);
}

WORD WINAPI SevenZipGetSubVersion(void) {
  Record("GetSubVersion");
  return Version(1, FAKE_SUBVERSION);
}

BOOL WINAPI SevenZipSetUnicodeMode(BOOL unicode) {
  Record(unicode == TRUE ? "SetUnicodeMode 1" : "SetUnicodeMode other");
  return TRUE;
}

WORD WINAPI AltSevenZipGetVersion(void) {
  Record("AltGetVersion");
  return Version(2, FAKE_ALT_VERSION);
}

WORD WINAPI AltSevenZipGetSubVersion(void) {
  Record("AltGetSubVersion");
  return Version(3, FAKE_ALT_SUBVERSION);
}
