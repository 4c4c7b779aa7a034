// What one call shares between the engine's threads and the caller's thread:
// how far the engine is, the item at hand, the user's cancel, and what went
// wrong. The engine's callbacks write it (from up to several worker threads);
// the caller's thread reads it to draw the progress window. Plain C++.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace archiver {

class CallState {
 public:
  enum class Phase { Packing, Testing, Moving };

  // The user's cancel. Once the tested archive is being moved into place it
  // comes too late and is ignored: the call then ends as it began to.
  void Cancel() { cancel_ = true; }
  bool Cancelled() const { return cancel_ && phase_ != Phase::Moving; }
  bool CancelAsked() const { return cancel_; }

  void BeginPhase(Phase p) {
    phase_ = p;
    total_ = 0;
    done_ = 0;
    SetItem(L"");
  }
  Phase CurrentPhase() const { return phase_; }

  void SetTotal(uint64_t bytes) { total_ = bytes; }
  void SetDone(uint64_t bytes) { done_ = bytes; }
  // 0..100 of the current phase; held below 100 until the phase ends, since
  // the engine reports all bytes read before it has closed the archive.
  int Percent() const {
    const uint64_t total = total_, done = done_;
    if (total == 0) return 0;
    const uint64_t p = done >= total ? 99 : done * 100 / total;
    return static_cast<int>(p > 99 ? 99 : p);
  }

  void SetItem(const std::wstring& item) {
    std::lock_guard<std::mutex> hold(lock_);
    item_ = item;
  }
  std::wstring Item() const {
    std::lock_guard<std::mutex> hold(lock_);
    return item_;
  }

  // The engine's own words about what went wrong, one line each (UTF-16).
  void Say(const std::wstring& line) {
    std::lock_guard<std::mutex> hold(lock_);
    said_ += line;
    said_ += L'\n';
  }
  std::wstring Said() const {
    std::lock_guard<std::mutex> hold(lock_);
    return said_;
  }

 private:
  std::atomic<bool> cancel_{false};
  std::atomic<Phase> phase_{Phase::Packing};
  std::atomic<uint64_t> total_{0};
  std::atomic<uint64_t> done_{0};
  mutable std::mutex lock_;
  std::wstring item_;
  std::wstring said_;
};

}  // namespace archiver
