// The class and texts of a window of any process.
#pragma once
#include <windows.h>

#include <string>

namespace headless {

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// A top-level window's caption.
inline std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

// The text of a control of another process: WM_GETTEXT is carried across.
// Empty when the owner does not answer within `ms`.
inline std::wstring ControlText(HWND control, UINT ms = 2000) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ms, &length) || length == 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           ms, &got))
    return {};
  text.resize(static_cast<size_t>(got));
  return text;
}

}  // namespace headless
