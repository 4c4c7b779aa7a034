// The log tap: a hook that the headless runner sets on Morvel's thread, so that
// every line added to Morvel's log reaches the runner at the moment it is
// added, before Morvel goes on (and before it can end). Reading the list from
// outside would miss the lines added just before Morvel closes.
#pragma once
#include <windows.h>

namespace headless {

// Where Morvel's copy of the tap sends the lines: the runner's window, in hex.
constexpr wchar_t kLogTapListener[] = L"MORVEL_LOG_TAP";
constexpr wchar_t kLogTapFile[] = L"morvel-log-tap.dll";
constexpr char kLogTapProc[] = "LogTapProc";

// WM_COPYDATA kinds: a line added (its UTF-16 text), the log cleared.
enum LogTapKind : ULONG_PTR { kLineAdded = 1, kLogCleared = 2 };

}  // namespace headless
