#include "CallMonitor.h"

#include "Files.h"
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

CallMonitor::CallMonitor(HWND owner, std::wstring archiveName)
    : owner_(owner), archiveName_(std::move(archiveName)), started_(GetTickCount64()) {}

CallMonitor::~CallMonitor() = default;

void CallMonitor::BeginPhase(Phase phase) {
  // The packing is over once the test begins: only now may the percent read 100.
  if (phase == Phase::Testing) packing_.Finish();
  phase_ = phase;
  Refresh();
}

void CallMonitor::Feed(std::string_view bytes) {
  if (bytes.empty()) return;
  (phase_ == Phase::Packing ? packing_ : testing_).Feed(bytes);
  Refresh();
}

bool CallMonitor::Showing() const { return window_ || GetTickCount64() - started_ >= kShowAfterMs; }

bool CallMonitor::Wait(HANDLE handle, DWORD ms) {
  if (!window_ && GetTickCount64() - started_ >= kShowAfterMs) Show();
  Refresh();
  // Wakes for new messages only: those left queued for after the call do not
  // wake it again, so this never spins.
  DWORD r = MsgWaitForMultipleObjects(handle ? 1 : 0, handle ? &handle : nullptr, FALSE, ms, QS_ALLINPUT);
  PumpDuringCall(window_ ? window_->Handle() : nullptr);
  return handle && r == WAIT_OBJECT_0;
}

void CallMonitor::Show() {
  window_ = std::make_unique<ProgressWindow>(owner_, archiveName_, [this] { cancelled_ = true; });
  Refresh();
}

void CallMonitor::Refresh() {
  if (!window_) return;
  const int percent = packing_.Seen() || phase_ == Phase::Testing ? packing_.Percent() : 0;
  std::wstring phase;
  if (phase_ == Phase::Packing) {
    phase = L"圧縮中";
  } else {
    phase = L"テスト中";
    if (testing_.Seen()) phase += L" " + std::to_wstring(testing_.Percent()) + L"%";
  }
  const ProgressReader& current = phase_ == Phase::Packing ? packing_ : testing_;
  window_->Update(percent, Slashes(Wide(current.Item())), cancelled_ ? L"キャンセル中" : phase,
                  GetTickCount64() - started_);
}

}  // namespace archiver
