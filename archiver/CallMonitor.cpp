#include "CallMonitor.h"

#include "ProgressWindow.h"
#include "ReasonWindow.h"

namespace archiver {

namespace {

// A call that ends sooner shows no window at all.
constexpr ULONGLONG kShowAfterMs = 500;
// A window whose paint handler never validates must not hold the call forever.
constexpr int kMaxPaintsPerPump = 64;

void DispatchFor(HWND own) {
  MSG m;
  while (PeekMessageW(&m, own, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageW(own, &m)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
}

std::wstring Slashes(std::wstring s) {
  for (wchar_t& c : s)
    if (c == L'/') c = L'\\';
  return s;
}

}  // namespace

void PumpDuringCall(HWND own) {
  if (own) DispatchFor(own);
  if (HWND reasons = ReasonWindowHandle()) DispatchFor(reasons);
  MSG m;
  for (int i = 0; i < kMaxPaintsPerPump && PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
    DispatchMessageW(&m);
}

CallMonitor::CallMonitor(HWND owner, std::wstring archiveName, CallState& state)
    : owner_(owner), archiveName_(std::move(archiveName)), state_(state), started_(GetTickCount64()) {}

CallMonitor::~CallMonitor() = default;

bool CallMonitor::Wait(HANDLE handle, DWORD ms) {
  if (!window_ && GetTickCount64() - started_ >= kShowAfterMs) Show();
  Refresh();
  // Wakes for new messages only: those left queued for after the call do not
  // wake it again, so this never spins.
  DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, ms, QS_ALLINPUT);
  PumpDuringCall(window_ ? window_->Handle() : nullptr);
  return r == WAIT_OBJECT_0;
}

void CallMonitor::Show() {
  window_ = std::make_unique<ProgressWindow>(owner_, archiveName_, [this] { state_.Cancel(); });
  Refresh();
}

void CallMonitor::Refresh() {
  if (!window_) return;
  // The bar is the packing's; the test shows its own percent in words.
  const CallState::Phase phase = state_.CurrentPhase();
  std::wstring words;
  int percent = 100;
  if (phase == CallState::Phase::Packing) {
    words = L"圧縮中";
    percent = state_.Percent();
  } else if (phase == CallState::Phase::Testing) {
    words = L"テスト中 " + std::to_wstring(state_.Percent()) + L"%";
  } else {
    words = L"仕上げ中";
  }
  if (state_.CancelAsked() && phase != CallState::Phase::Moving) words = L"キャンセル中";
  window_->Update(percent, Slashes(state_.Item()), words, GetTickCount64() - started_);
}

}  // namespace archiver
