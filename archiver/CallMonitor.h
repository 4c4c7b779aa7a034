// One SevenZip call as the user sees it while the engine works on its own
// thread: the progress window (after half a second), the caller's windows
// kept painted, and the cancel request. Windows only.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "CallState.h"

namespace archiver {

class ProgressWindow;

class CallMonitor {
 public:
  // owner: the window the caller passed; archiveName: the archive's file name;
  // state: what the engine reports, read here and never written but for the cancel.
  CallMonitor(HWND owner, std::wstring archiveName, CallState& state);
  ~CallMonitor();
  CallMonitor(const CallMonitor&) = delete;
  CallMonitor& operator=(const CallMonitor&) = delete;

  // Waits for the handle at most a short while while the caller's windows
  // keep painting and the progress window answers; true when the handle was
  // signalled. The caller's input, commands and close requests stay queued
  // for after the call.
  bool Wait(HANDLE handle, DWORD ms);

 private:
  void Show();
  void Refresh();

  HWND owner_;
  std::wstring archiveName_;
  CallState& state_;
  ULONGLONG started_;
  std::unique_ptr<ProgressWindow> window_;
};

// Dispatches what may run while a call is under way: messages for the given
// window of this library (and its children) and paint requests of every
// window of the thread. Sent messages run inside PeekMessage anyway.
void PumpDuringCall(HWND own);

}  // namespace archiver
