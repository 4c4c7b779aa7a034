// Runs inside Morvel as a WH_CALLWNDPROC hook of its main thread: it sees each
// message sent to a window of that thread before the window does.
#include "LogTap.h"

#include <cwchar>

namespace {

using namespace headless;

HWND Listener() {
  static HWND listener = [] {
    wchar_t text[32] = {};
    if (!GetEnvironmentVariableW(kLogTapListener, text, 32)) return HWND{};
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wcstoull(text, nullptr, 16)));
  }();
  return listener;
}

// The log: the list box that fills the main window, the form with the menu bar.
bool IsLog(HWND hwnd) {
  wchar_t cls[32] = {};
  HWND root = GetAncestor(hwnd, GA_ROOT);
  return root && root != hwnd && GetMenu(root) && GetClassNameW(root, cls, 32) && lstrcmpW(cls, L"TMorvelForm") == 0;
}

void Send(ULONG_PTR kind, const wchar_t* text) {
  COPYDATASTRUCT data{kind, text ? static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)) : 0,
                      const_cast<wchar_t*>(text)};
  DWORD_PTR result = 0;
  // Waits for the runner, which takes the line at once; while it waits, this
  // thread still answers what is sent to it.
  SendMessageTimeoutW(Listener(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK LogTapProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && Listener()) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if ((m->message == LB_ADDSTRING || m->message == LB_INSERTSTRING || m->message == LB_RESETCONTENT) &&
        IsLog(m->hwnd)) {
      if (m->message == LB_RESETCONTENT) Send(kLogCleared, nullptr);
      else if (m->lParam) Send(kLineAdded, reinterpret_cast<const wchar_t*>(m->lParam));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
