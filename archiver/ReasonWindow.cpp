#include "ReasonWindow.h"

#include "Files.h"
#include "WindowClass.h"

namespace archiver {

namespace {

const wchar_t kClass[] = L"Morvel7z32Reasons";
const wchar_t kTitle[] = L"7-ZIP32.DLL - 失敗の理由";
enum { kTextId = 100, kCloseId = IDCANCEL };
constexpr int kMargin = 10, kButtonW = 100, kButtonH = 28;

HWND g_window = nullptr;
HFONT g_font = nullptr;

void Layout(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  const int w = r.right, h = r.bottom;
  MoveWindow(GetDlgItem(hwnd, kTextId), kMargin, kMargin, w - 2 * kMargin, h - 3 * kMargin - kButtonH, TRUE);
  MoveWindow(GetDlgItem(hwnd, kCloseId), w - kMargin - kButtonW, h - kMargin - kButtonH, kButtonW, kButtonH, TRUE);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      Layout(hwnd);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kCloseId) {
        DestroyWindow(hwnd);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (hwnd == g_window) g_window = nullptr;
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND Make(HWND owner) {
  RegisterWindowClass(kClass, Proc);
  // The window outlives the call, and may outlive the caller's FreeLibrary:
  // its window procedure must stay mapped for as long as the process runs.
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&Proc), &pinned);
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = 560, h = 360;
  HWND hwnd = CreateWindowExW(owner ? 0 : WS_EX_APPWINDOW, kClass, kTitle, WS_OVERLAPPEDWINDOW,
                              work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2,
                              w, h, owner, nullptr, LibraryInstance(), nullptr);
  if (!hwnd) return nullptr;
  if (!g_font) g_font = MessageFont();
  HWND text = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_TABSTOP,
                              0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(kTextId), LibraryInstance(), nullptr);
  HWND close = CreateWindowExW(0, L"BUTTON", L"閉じる", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0,
                               0, hwnd, reinterpret_cast<HMENU>(kCloseId), LibraryInstance(), nullptr);
  SendMessageW(text, EM_SETLIMITTEXT, 0, 0);  // a long batch can fail many times
  for (HWND c : {text, close})
    if (c && g_font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
  Layout(hwnd);
  // Shown without taking the focus: the user may be working elsewhere.
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return hwnd;
}

std::wstring WindowsLines(const std::wstring& text) {
  std::wstring r;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    if (c == L'\n') r += L'\r';
    r += c;
  }
  return r;
}

}  // namespace

HWND ReasonWindowHandle() { return g_window; }

void ReportFailure(HWND owner, const std::wstring& heading, const std::wstring& summary, const std::string& details) {
  if (!g_window) g_window = Make(owner);
  if (!g_window) return;
  HWND text = GetDlgItem(g_window, kTextId);
  std::wstring entry = L"■ " + heading + L"\n" + summary + L"\n";
  std::wstring words = Wide(details);
  size_t start = 0;
  while (start < words.size()) {
    size_t end = words.find(L'\n', start);
    if (end == std::wstring::npos) end = words.size();
    entry += L"    " + words.substr(start, end - start) + L"\n";
    start = end + 1;
  }
  entry += L"\n";
  const int length = GetWindowTextLengthW(text);
  SendMessageW(text, EM_SETSEL, length, length);
  SendMessageW(text, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WindowsLines(entry).c_str()));
  SendMessageW(text, EM_SCROLLCARET, 0, 0);
}

}  // namespace archiver
