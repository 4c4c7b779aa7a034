// Morvel's windows as another process sees them: found by Morvel's process id,
// read and answered with messages, as a person's mouse and keyboard would.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace headless {

struct MorvelWindows {
  HWND main = nullptr;      // the form with the menu bar
  HWND options = nullptr;   // the options dialog while it is shown
  HWND progress = nullptr;  // the archiver library's progress window during a long job
  HWND reasons = nullptr;   // the archiver library's window of failures
  std::vector<HWND> boxes;  // message boxes and other system dialogs that are up
};
MorvelWindows FindMorvelWindows(DWORD pid);

struct Box {
  std::wstring caption;
  std::wstring text;
};
Box ReadBox(HWND box);
// Presses OK, or the box's other way out when it has none.
void AnswerBox(HWND box);
// Presses the options dialog's OK button.
void PressOk(HWND options);
// Presses the progress window's cancel button.
void CancelJob(HWND progress);
// What the window of failures says, line by line.
std::vector<std::wstring> ReasonLines(HWND reasons);

}  // namespace headless
