// One run of Morvel watched to its end from outside: its log lines as the tap
// hands them over, its windows as they come up, a stop when one is asked for,
// and the close once the batch is done.
#pragma once
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "BatchText.h"
#include "MorvelWindows.h"

namespace headless {

struct RunOptions {
  bool progress = false;        // print the progress line
  std::wstring stopFile;        // a stop is asked for when it appears; now, when it holds anything
  std::wstring shot;            // a picture of the main window after the batch
  ULONGLONG timeoutMs = 0;      // none unless asked for
  std::vector<std::wstring> arguments;  // Morvel's
};

class Runner {
 public:
  Runner(RunOptions options, HANDLE process, DWORD pid);

  // From the log tap: a line added to the log, or the log cleared.
  void Logged(ULONG_PTR kind, const std::wstring& line);
  // Watches Morvel until it has ended; the exit status.
  int Go();

 private:
  bool WaitForEnd(DWORD ms);  // also hands the tap's messages over meanwhile
  void ShowProgress(const MorvelWindows& w);
  void ClearProgress();
  void AnswerBoxes(const MorvelWindows& w);
  void BeginStop(const std::wstring& why);
  void KeepStopping(const MorvelWindows& w);
  void EndAtOnce(const std::wstring& why);
  void AfterTheBatch();
  int Outcome();

  RunOptions options_;
  HANDLE process_;
  DWORD pid_;
  std::vector<std::wstring> log_;  // as the main window shows it
  size_t results_ = 0;
  bool anyFailed_ = false;
  JobCursor cursor_;
  size_t loggedJob_ = 0;  // the path whose job logged the last line
  std::wstring progressShown_;
  std::set<HWND> boxesNoted_;
  bool boxSeen_ = false;
  bool stopping_ = false;
  bool endedAtOnce_ = false;
  ULONGLONG stopAt_ = 0, closePostedAt_ = 0;
  HWND cancelled_ = nullptr;
};

}  // namespace headless
