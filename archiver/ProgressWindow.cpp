#include "ProgressWindow.h"

#include <commctrl.h>

#include "Files.h"
#include "WindowClass.h"

namespace archiver {

namespace {

const wchar_t kClass[] = L"Morvel7z32Progress";
constexpr int kClientW = 420, kClientH = 156;
enum { kCancelId = IDCANCEL };

// The layout, in client pixels.
struct Place {
  int x, y, w, h;
};
constexpr Place kArchive{14, 12, kClientW - 28, 20};
constexpr Place kItem{14, 36, kClientW - 28, 20};
constexpr Place kBar{14, 62, kClientW - 28, 18};
constexpr Place kStatus{14, 88, kClientW - 28, 20};
constexpr Place kCancel{kClientW - 114, 116, 100, 28};

std::wstring Elapsed(ULONGLONG ms) {
  ULONGLONG s = ms / 1000;
  wchar_t text[32];
  if (s >= 3600)
    swprintf(text, 32, L"%llu:%02llu:%02llu", s / 3600, (s / 60) % 60, s % 60);
  else
    swprintf(text, 32, L"%llu:%02llu", s / 60, s % 60);
  return text;
}

void SetTextIfChanged(HWND w, std::wstring& shown, const std::wstring& text) {
  if (shown == text) return;
  shown = text;
  SetWindowTextW(w, text.c_str());
}

}  // namespace

ProgressWindow::ProgressWindow(HWND owner, const std::wstring& archiveName, std::function<void()> onCancel)
    : archiveName_(archiveName), onCancel_(std::move(onCancel)) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  RegisterWindowClass(kClass, &Proc);
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = owner ? 0 : WS_EX_APPWINDOW;
  RECT frame{0, 0, kClientW, kClientH};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  // Centred over the owner, or on the screen's work area.
  RECT around{};
  if (!owner || !GetWindowRect(owner, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  const int x = around.left + (around.right - around.left - w) / 2;
  const int y = around.top + (around.bottom - around.top - h) / 2;
  hwnd_ = CreateWindowExW(exStyle, kClass, (L"0% " + archiveName_).c_str(), style, x, y, w, h, owner, nullptr,
                          LibraryInstance(), nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  font_ = MessageFont();
  auto child = [&](const wchar_t* cls, const std::wstring& text, DWORD childStyle, const Place& p, int id = 0) {
    HWND c = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | childStyle, p.x, p.y, p.w, p.h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), LibraryInstance(), nullptr);
    if (c && font_) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return c;
  };
  child(L"STATIC", L"アーカイブ: " + archiveName_, SS_NOPREFIX | SS_ENDELLIPSIS, kArchive);
  item_ = child(L"STATIC", L"", SS_NOPREFIX | SS_PATHELLIPSIS, kItem);
  bar_ = child(PROGRESS_CLASSW, L"", 0, kBar);
  SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
  status_ = child(L"STATIC", L"", SS_NOPREFIX, kStatus);
  child(L"BUTTON", L"キャンセル", WS_TABSTOP | BS_PUSHBUTTON, kCancel, kCancelId);
  // Never takes the focus from whatever the user is working in.
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd_);
}

ProgressWindow::~ProgressWindow() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
}

void ProgressWindow::Update(int percent, const std::wstring& item, const std::wstring& phase, ULONGLONG elapsedMs) {
  if (!hwnd_) return;
  const std::wstring pct = std::to_wstring(percent) + L"%";
  SetTextIfChanged(hwnd_, shownTitle_, pct + L" " + archiveName_);
  SetTextIfChanged(item_, shownItem_, item);
  SetTextIfChanged(status_, shownStatus_, pct + L"    " + phase + L"    経過 " + Elapsed(elapsedMs));
  if (percent != shownPercent_) {
    shownPercent_ = percent;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }
}

LRESULT CALLBACK ProgressWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == kCancelId && self && self->onCancel_) {
        self->onCancel_();
        EnableWindow(GetDlgItem(hwnd, kCancelId), FALSE);
        return 0;
      }
      break;
    case WM_CLOSE:  // the close box cancels too; the window goes with the call
      if (self && self->onCancel_) self->onCancel_();
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace archiver
