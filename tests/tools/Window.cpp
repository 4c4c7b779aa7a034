// morvel-window: drives the windows of a running Morvel the way a person would
// and takes pictures of them, step by step. Used to make the README's pictures.
//
//   morvel-window [--timeout SECONDS] STEP...
//     shot WINDOW FILE.bmp   the window as it stands on screen, once its picture is steady
//     click WINDOW BUTTON    presses the button with that caption
//     menu WINDOW KEYS       opens a menu by its access keys, as Alt+K1 then K2... ("ha": Help, About)
//     close WINDOW           asks the window to close
//   WINDOW is "main" (Morvel's window with the menu bar) or a window caption.
// Each step waits, up to the time limit, for its window to be visible.
#include <windows.h>

#include <string>
#include <vector>

#include "Output.h"
#include "Picture.h"
#include "WindowText.h"

namespace {

using headless::Capture;
using headless::ClassOf;
using headless::TextOf;
using headless::WriteBitmap;

void Print(const std::wstring& text) { headless::PrintLine(text); }

struct Search {
  std::wstring what;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(hwnd)) return TRUE;
  const bool match = s->what == L"main" ? ClassOf(hwnd) == L"TMorvelForm" && GetMenu(hwnd) : TextOf(hwnd) == s->what;
  if (match) s->found = hwnd;
  return match ? FALSE : TRUE;
}

BOOL CALLBACK MatchButton(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  if (_wcsicmp(ClassOf(hwnd).c_str(), L"Button") == 0 && TextOf(hwnd) == s->what) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

DWORD timeoutMs = 60 * 1000;

template <typename Poll>
bool WaitFor(Poll poll) {
  for (const DWORD start = GetTickCount(); !poll(); Sleep(50))
    if (GetTickCount() - start > timeoutMs) return false;
  return true;
}

HWND FindVisible(const std::wstring& what) {
  Search s{what};
  WaitFor([&] {
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found != nullptr;
  });
  if (!s.found) Print(L"[window] no visible window \"" + what + L"\" appeared");
  return s.found;
}

bool Shot(HWND hwnd, const std::wstring& path) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  // Painting happens in Morvel's process and reaches the X server later: take
  // pictures until two in a row agree.
  int w = 0, h = 0;
  std::vector<unsigned char> pixels = Capture(hwnd, w, h), again;
  const bool steady = WaitFor([&] {
    Sleep(200);
    again = Capture(hwnd, w, h);
    std::swap(pixels, again);
    return pixels == again;
  });
  if (!steady) Print(L"[window] the picture of \"" + TextOf(hwnd) + L"\" never came to rest");
  if (!WriteBitmap(path, w, h, pixels)) {
    Print(L"[window] cannot write " + path);
    return false;
  }
  return steady;
}

bool Click(HWND hwnd, const std::wstring& caption) {
  Search s{caption};
  EnumChildWindows(hwnd, MatchButton, reinterpret_cast<LPARAM>(&s));
  if (!s.found) {
    Print(L"[window] \"" + TextOf(hwnd) + L"\" has no button \"" + caption + L"\"");
    return false;
  }
  PostMessageW(s.found, BM_CLICK, 0, 0);
  return true;
}

BOOL CALLBACK MatchPopupMenu(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") {
    *reinterpret_cast<bool*>(param) = true;
    return FALSE;
  }
  return TRUE;
}

// Menus cannot be read from another process under Wine, so they are opened as
// the keyboard does: the first key through the system menu command Alt+key
// makes, the rest as characters that the open menu reads from its thread's queue.
bool Menu(HWND hwnd, const std::wstring& keys) {
  if (keys.empty()) return false;
  PostMessageW(hwnd, WM_SYSCOMMAND, SC_KEYMENU, keys[0]);
  for (size_t i = 1; i < keys.size(); ++i) {
    bool open = false;
    if (!WaitFor([&] {
          open = false;
          EnumWindows(MatchPopupMenu, reinterpret_cast<LPARAM>(&open));
          return open;
        })) {
      Print(L"[window] the menu of \"" + TextOf(hwnd) + L"\" did not open for key " + keys.substr(i - 1, 1));
      return false;
    }
    PostMessageW(hwnd, WM_CHAR, keys[i], 0);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int i = 1;
  if (i + 1 < argc && std::wstring(argv[i]) == L"--timeout") {
    timeoutMs = static_cast<DWORD>(_wtoi(argv[i + 1])) * 1000;
    i += 2;
  }
  if (i >= argc) {
    Print(L"usage: morvel-window [--timeout SECONDS] {shot WINDOW FILE.bmp | click WINDOW BUTTON | menu WINDOW KEYS | close WINDOW}...");
    return 2;
  }
  while (i < argc) {
    const std::wstring step = argv[i];
    const int operands = step == L"close" ? 1 : 2;
    if (i + operands >= argc) {
      Print(L"[window] step \"" + step + L"\" lacks its operands");
      return 2;
    }
    HWND hwnd = FindVisible(argv[i + 1]);
    if (!hwnd) return 1;
    bool ok = false;
    if (step == L"shot") ok = Shot(hwnd, argv[i + 2]);
    else if (step == L"click") ok = Click(hwnd, argv[i + 2]);
    else if (step == L"menu") ok = Menu(hwnd, argv[i + 2]);
    else if (step == L"close") ok = PostMessageW(hwnd, WM_CLOSE, 0, 0);
    else Print(L"[window] unknown step \"" + step + L"\"");
    if (!ok) return 1;
    i += 1 + operands;
  }
  return 0;
}
