// morvel-headless: runs Morvel's command-line batch where no person is at the
// screen, as the launcher does on a machine without a display. It starts
// Morvel, answers what Morvel would ask a person, prints each result line as
// it appears, closes Morvel the normal way once the batch is done (so it saves
// its settings) and waits for it to end.
//
//   morvel-headless [--progress] [--stop-file FILE] [--timeout SECONDS] [--shot FILE.bmp]
//                   Morvel.exe [arguments...]
//
// Standard output (UTF-8): the log's result lines; after a batch with a failed
// job "[reasons]" and what the archiver library's window of failures says; and
// lines for the launcher (Output.h): notes, and with --progress the progress line.
// The options dialog that a batch without "/n" shows first is answered with OK;
// a message box is answered with OK and its text becomes a note.
// A stop (FILE appears, or the time limit passes; there is none unless asked
// for) ends Morvel as its close does: no further job starts, the job at work
// is cancelled, the settings are saved. FILE with anything in it ends Morvel
// at once.
// Exit status: 0 every job succeeded, 1 a job failed, 2 the batch did not run
// to its end.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "BatchText.h"
#include "LogTap.h"
#include "Output.h"
#include "Runner.h"
#include "WideText.h"

namespace {

using namespace headless;

struct Options {
  RunOptions run;
  std::wstring program;
};

std::optional<Options> ParseOptions(int argc, wchar_t** argv) {
  Options o;
  int i = 1;
  for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; ++i) {
    const std::wstring flag = argv[i];
    const bool hasValue = i + 1 < argc;
    if (flag == L"--progress") o.run.progress = true;
    else if (flag == L"--stop-file" && hasValue) o.run.stopFile = argv[++i];
    else if (flag == L"--shot" && hasValue) o.run.shot = argv[++i];
    else if (flag == L"--timeout" && hasValue) o.run.timeoutMs = static_cast<ULONGLONG>(_wtoi(argv[++i])) * 1000;
    else return std::nullopt;
  }
  if (i >= argc) return std::nullopt;
  o.program = argv[i];
  o.run.arguments.assign(argv + i + 1, argv + argc);
  return o;
}

std::vector<std::u16string> U16s(const std::vector<std::wstring>& v) {
  std::vector<std::u16string> out;
  for (const auto& s : v) out.push_back(U16(s));
  return out;
}

// The window the tap in Morvel sends the log's lines to; only messages, never shown.
LRESULT CALLBACK ListenerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    auto* runner = reinterpret_cast<Runner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (runner && data) {
      std::wstring line;
      if (data->lpData && data->cbData >= sizeof(wchar_t))
        line.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t) - 1);
      runner->Logged(data->dwData, line);
    }
    return TRUE;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeListener() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ListenerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"MorvelHeadlessListener";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

std::wstring BesideThisProgram(const wchar_t* name) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

int Fail(const std::wstring& why) {
  PrintNote(why);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options)
    return Fail(L"usage: morvel-headless [--progress] [--stop-file FILE] [--timeout SECONDS] [--shot FILE.bmp] "
                L"Morvel.exe [arguments...]");
  const std::optional<std::u16string> line = MorvelCommandLine(U16(options->program), U16s(options->run.arguments));
  if (!line)
    return Fail(L"the arguments cannot be passed to Morvel: an empty one or one with a double quote, "
                L"or together longer than one Windows command line");

  // Morvel's copy of the tap finds the listener through the environment Morvel inherits.
  HWND listener = MakeListener();
  HMODULE tap = LoadLibraryW(BesideThisProgram(kLogTapFile).c_str());
  const auto tapProc = tap ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(tap, kLogTapProc))) : nullptr;
  if (!listener || !tapProc) return Fail(L"cannot load " + std::wstring(kLogTapFile) + L" from beside this program");
  wchar_t handle[32];
  swprintf(handle, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(listener)));
  SetEnvironmentVariableW(kLogTapListener, handle);

  // Started held, so that the tap is in place before Morvel adds its first line.
  std::wstring commandLine = W(*line);
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(options->program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &si, &pi))
    return Fail(L"cannot start " + options->program + L" (error " + std::to_wstring(GetLastError()) + L")");
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, tapProc, tap, pi.dwThreadId);
  if (!hook) {
    TerminateProcess(pi.hProcess, 2);
    return Fail(L"cannot watch Morvel's log (error " + std::to_wstring(GetLastError()) + L")");
  }
  Runner runner(options->run, pi.hProcess, pi.dwProcessId);
  SetWindowLongPtrW(listener, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&runner));
  ResumeThread(pi.hThread);
  const int status = runner.Go();
  SetWindowLongPtrW(listener, GWLP_USERDATA, 0);
  UnhookWindowsHookEx(hook);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return status;
}
