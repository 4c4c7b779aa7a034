// One SevenZip call as the user sees it while the engine works: the progress
// window (after half a second), the caller's windows kept painted, and the
// cancel request. Windows only.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "Progress.h"

namespace archiver {

class ProgressWindow;

class CallMonitor {
 public:
  enum class Phase { Packing, Testing };

  // owner: the window the caller passed; archiveName: the archive's file name.
  CallMonitor(HWND owner, std::wstring archiveName);
  ~CallMonitor();
  CallMonitor(const CallMonitor&) = delete;
  CallMonitor& operator=(const CallMonitor&) = delete;

  void BeginPhase(Phase phase);
  // The engine's progress stream, as it arrives, for the current phase.
  void Feed(std::string_view bytes);
  bool Cancelled() const { return cancelled_; }
  // Whether the progress is shown (or about to be): until then nobody needs
  // the engine's progress read, which short calls are spared.
  bool Showing() const;
  void Cancel() { cancelled_ = true; }

  // Waits for the handle (none: just the time) at most a short while while the caller's
  // windows keep painting and the progress window answers; true when the
  // handle was signalled. The caller's input, commands and close requests
  // stay queued for after the call.
  bool Wait(HANDLE handle, DWORD ms);

 private:
  void Show();
  void Refresh();

  HWND owner_;
  std::wstring archiveName_;
  ULONGLONG started_;
  Phase phase_ = Phase::Packing;
  ProgressReader packing_;
  ProgressReader testing_;
  bool cancelled_ = false;
  std::unique_ptr<ProgressWindow> window_;
};

// Dispatches what may run while a call is under way: messages for the given
// window of this library (and its children) and paint requests of every
// window of the thread. Sent messages run inside PeekMessage anyway.
void PumpDuringCall(HWND own);

}  // namespace archiver
