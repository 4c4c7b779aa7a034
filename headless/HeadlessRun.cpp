// morvel-driver: starts Morvel, waits until its batch is done, prints the log
// lines read from its window and then what the archiver library's reasons
// window says about the failures, closes Morvel the normal way (so it saves
// its settings) and waits for it to end. For machines without a person at
// the screen.
//
//   morvel-driver [--shot FILE.bmp] [--timeout SECONDS] Morvel.exe [arguments...]
//
// The options dialog that a batch without "/n" shows first is answered with OK.
// Exit status: 0 every job succeeded, 1 a job failed, 2 Morvel could not be
// run to the end of its batch.
#include <windows.h>

#include <string>
#include <vector>

#include "ToolSupport.h"

namespace {

using tool::ClassOf;
using tool::Print;
using tool::TextOf;

std::wstring Quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

struct Windows {
  DWORD pid;
  HWND main = nullptr;     // the form with the menu bar
  HWND options = nullptr;  // a visible form without one: the options dialog
  HWND reasons = nullptr;  // the archiver library's window of failures
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  auto* w = reinterpret_cast<Windows*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != w->pid) return TRUE;
  if (ClassOf(hwnd) == L"Morvel7z32Reasons") w->reasons = hwnd;
  if (ClassOf(hwnd) != L"TMorvelForm") return TRUE;
  if (GetMenu(hwnd)) w->main = hwnd;
  else if (IsWindowVisible(hwnd) && TextOf(hwnd) == L"圧縮設定") w->options = hwnd;
  return TRUE;
}

BOOL CALLBACK FindOk(HWND hwnd, LPARAM param) {
  if (ClassOf(hwnd) == L"Button" || ClassOf(hwnd) == L"BUTTON")
    if (TextOf(hwnd) == L"OK") {
      *reinterpret_cast<HWND*>(param) = hwnd;
      return FALSE;
    }
  return TRUE;
}

// The text of a control of another process: WM_GETTEXT is carried across.
std::wstring ControlText(HWND control) {
  const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void PrintLines(const std::wstring& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) Print(line);
    start = end + 1;
  }
}

bool AnyFailed(const std::vector<std::wstring>& lines) {
  for (const auto& line : lines)
    if (line.find(L"NG] ") != std::wstring::npos) return true;
  return false;
}

HWND ListOf(HWND main) { return FindWindowExW(main, nullptr, L"ListBox", nullptr); }

std::wstring LineOf(HWND list, LRESULT index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring line(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
  line.resize(static_cast<size_t>(length));
  return line;
}

// Brings `lines` up to date with the list. While the batch runs only the new
// lines are read: each read is a round trip into Morvel's busy thread. A list
// that shrank or whose first line changed (it was cleared) is read again whole.
void UpdateLines(HWND list, std::vector<std::wstring>& lines) {
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  if (count < 0) return;
  if (static_cast<size_t>(count) < lines.size() || (!lines.empty() && LineOf(list, 0) != lines[0])) lines.clear();
  for (LRESULT i = static_cast<LRESULT>(lines.size()); i < count; ++i) lines.push_back(LineOf(list, i));
}

std::vector<std::wstring> ReadLines(HWND list) {
  std::vector<std::wstring> lines;
  UpdateLines(list, lines);
  return lines;
}

// The window as it stands on screen, as a 24-bit bitmap file.
bool SaveShot(HWND hwnd, const std::wstring& path) {
  int w = 0, h = 0;
  const std::vector<unsigned char> pixels = tool::Capture(hwnd, w, h);
  return tool::WriteBitmap(path, w, h, pixels);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring shot;
  DWORD timeoutMs = 3600 * 1000;
  int i = 1;
  for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; ++i) {
    const std::wstring flag = argv[i];
    if (flag == L"--shot" && i + 1 < argc) shot = argv[++i];
    else if (flag == L"--timeout" && i + 1 < argc) timeoutMs = static_cast<DWORD>(_wtoi(argv[++i])) * 1000;
  }
  if (i >= argc) {
    Print(L"usage: morvel-driver [--shot FILE.bmp] [--timeout SECONDS] Morvel.exe [arguments...]");
    return 2;
  }
  std::wstring commandLine = Quote(argv[i]);
  for (int k = i + 1; k < argc; ++k) commandLine += L" " + Quote(argv[k]);

  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[i], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    Print(L"[driver] cannot start " + std::wstring(argv[i]));
    return 2;
  }
  CloseHandle(pi.hThread);

  // The batch runs before the main window first appears: once it is visible, the batch is done.
  const DWORD start = GetTickCount();
  Windows w{pi.dwProcessId};
  std::vector<std::wstring> lines;
  bool exited = false, timedOut = false;
  for (;;) {
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) { exited = true; break; }
    w.options = nullptr;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&w));
    if (w.main) {
      if (HWND list = ListOf(w.main)) UpdateLines(list, lines);
      if (IsWindowVisible(w.main)) break;
    }
    if (w.options) {
      HWND ok = nullptr;
      EnumChildWindows(w.options, FindOk, reinterpret_cast<LPARAM>(&ok));
      if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
    }
    if (GetTickCount() - start > timeoutMs) { timedOut = true; break; }
  }
  if (!exited && w.main) {
    if (HWND list = ListOf(w.main)) lines = ReadLines(list);
  }
  for (const auto& line : lines) Print(line);
  if (!exited) {
    w.reasons = nullptr;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&w));
    if (w.reasons) {
      Print(L"[reasons]");
      PrintLines(ControlText(GetDlgItem(w.reasons, 100)));
    }
  }
  if (exited) {
    Print(L"[driver] Morvel closed by itself");
  } else {
    if (!shot.empty() && w.main) {
      RedrawWindow(w.main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      Sleep(300);  // let the X server finish drawing before the copy
      SaveShot(w.main, shot);
    }
    if (w.main) PostMessageW(w.main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
      Print(L"[driver] Morvel did not end after WM_CLOSE");
      TerminateProcess(pi.hProcess, 1);
      CloseHandle(pi.hProcess);
      return 2;
    }
  }
  CloseHandle(pi.hProcess);
  if (timedOut) {
    Print(L"[driver] timed out waiting for the batch");
    return 2;
  }
  return AnyFailed(lines) ? 1 : 0;
}
