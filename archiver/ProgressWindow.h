// The window a long SevenZip call shows: the archive, the item being packed,
// the percent, the time so far and a cancel button. Windows only.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace archiver {

class ProgressWindow {
 public:
  // Owned by owner when that window is visible, otherwise a window of its own
  // with a taskbar button. Shown without taking the focus.
  ProgressWindow(HWND owner, const std::wstring& archiveName, std::function<void()> onCancel);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  // percent of the packing; phase: what the engine does now ("圧縮中", "テスト中 40%").
  void Update(int percent, const std::wstring& item, const std::wstring& phase, ULONGLONG elapsedMs);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  HWND item_ = nullptr;
  HWND bar_ = nullptr;
  HWND status_ = nullptr;
  HFONT font_ = nullptr;
  std::wstring archiveName_;
  std::function<void()> onCancel_;
  std::wstring shownTitle_, shownItem_, shownStatus_;
  int shownPercent_ = -1;
};

}  // namespace archiver
