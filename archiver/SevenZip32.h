// 7-ZIP32.DLL: the archiver interface, with 7-Zip's engine inside.
// Callers load the library at run time and look the entry points up by name;
// this header gives their types and the values SevenZip returns.
#pragma once
#include <windows.h>

// SevenZip's results. 0 is success; every failure has its own value, and the
// output buffer says what happened in words.
enum : int {
  SEVENZIP32_OK = 0,
  SEVENZIP32_BAD_COMMAND = 0x8202,     // the command text cannot be used (see the output)
  SEVENZIP32_ENGINE_WARNING = 0x8203,  // done, but the engine left items out (it names them)
  SEVENZIP32_ENGINE_FAILED = 0x8204,   // the engine reported an error; an archive being written stays as it was
  SEVENZIP32_CHECK_FAILED = 0x8205,    // the archive written did not pass its test and was not kept
  SEVENZIP32_INTERNAL = 0x8207,        // out of memory, or the library itself failed
  SEVENZIP32_CANCELLED = 0x8208,       // the user pressed cancel: nothing was changed
  SEVENZIP32_NO_PASSWORD = 0x8209,     // a password was needed and the command gave none
  SEVENZIP32_IN_CALL = 0x820A,         // called from inside a call of the same thread
};

// This library's own revision, reported by SevenZipGetSubVersion.
constexpr WORD kSevenZip32Revision = 2;

using SevenZipProc = int(WINAPI*)(HWND owner, LPCSTR command, LPSTR output, DWORD size);
using SevenZipGetVersionProc = WORD(WINAPI*)();
using SevenZipGetSubVersionProc = WORD(WINAPI*)();
using SevenZipSetUnicodeModeProc = BOOL(WINAPI*)(BOOL unicode);
