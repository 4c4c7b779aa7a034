// 7-ZIP32.DLL: the archiver interface over the 7-Zip command-line engine.
// Callers load the library at run time and look the entry points up by name;
// this header gives their types and the values SevenZip returns.
#pragma once
#include <windows.h>

// SevenZip's results. 0 is success; every failure has its own value, and the
// output buffer says what happened in words.
enum : int {
  SEVENZIP32_OK = 0,
  SEVENZIP32_NO_ENGINE = 0x8201,       // no 7-Zip engine was found
  SEVENZIP32_BAD_COMMAND = 0x8202,     // the command text cannot be used (see the output)
  SEVENZIP32_ENGINE_WARNING = 0x8203,  // the engine finished with warnings (exit code 1)
  SEVENZIP32_ENGINE_FAILED = 0x8204,   // the engine reported an error
  SEVENZIP32_CHECK_FAILED = 0x8205,    // the archive written did not pass the engine's test
  SEVENZIP32_START_FAILED = 0x8206,    // the engine was found but could not be run to its end
  SEVENZIP32_INTERNAL = 0x8207,        // out of memory, no temporary folder, ...
  SEVENZIP32_CANCELLED = 0x8208,       // the user pressed cancel: the engine was stopped
};

// This library's own revision, reported by SevenZipGetSubVersion.
constexpr WORD kSevenZip32Revision = 1;

// An absolute path in this variable chooses the engine and ends the search:
// a Windows program (7z.exe), or under Wine a Linux one given by its Unix path.
#define SEVENZIP32_ENGINE_VARIABLE L"SEVENZIP32_ENGINE"

// Under Wine, any value in this variable makes every call start its engine
// through a new /bin/sh instead of the resident helper (slower by a few ms).
#define SEVENZIP32_NO_HELPER_VARIABLE L"SEVENZIP32_NO_HELPER"

using SevenZipProc = int(WINAPI*)(HWND owner, LPCSTR command, LPSTR output, DWORD size);
using SevenZipGetVersionProc = WORD(WINAPI*)();
using SevenZipGetSubVersionProc = WORD(WINAPI*)();
using SevenZipSetUnicodeModeProc = BOOL(WINAPI*)(BOOL unicode);
