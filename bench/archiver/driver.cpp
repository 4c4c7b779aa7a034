// Times calls of 7-ZIP32.DLL from inside a Windows process, so that Wine's own
// start-up is not counted. Compiled and run by bench/archiver/run.
//   driver DLL one COMMAND                               -> "ms <time> rc <code>"
//   driver DLL many PROFILE ARCHIVE_FOLDER BASE_FOLDER N -> "ms <total> failures <n>"
// (file form for f0.txt ... f<N-1>.txt, archives a0.zip ...)
//   driver DLL spawn FOLDER N                            -> "ms <total> failures <n>"
// (N starts of /bin/sh through Wine, each writing a file that is waited for
// with a change notification, as the library waits for its engine: the share
// of one call that is only the Linux process start and the wait)
#include <windows.h>

#include <cstdio>
#include <string>

using SevenZipProc = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using SetUnicodeProc = BOOL(WINAPI*)(BOOL);

static double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  HMODULE lib = LoadLibraryA(argv[1]);
  if (!lib) {
    std::printf("cannot load %s\n", argv[1]);
    return 1;
  }
  auto sevenZip = reinterpret_cast<SevenZipProc>(reinterpret_cast<void*>(GetProcAddress(lib, "SevenZip")));
  auto setUnicode = reinterpret_cast<SetUnicodeProc>(reinterpret_cast<void*>(GetProcAddress(lib, "SevenZipSetUnicodeMode")));
  setUnicode(TRUE);
  // As Morvel does when it loads the library: the version query runs the
  // engine once, and under Wine starts the library's helper, before any call
  // is timed.
  using VersionProc = WORD(WINAPI*)();
  if (auto version = reinterpret_cast<VersionProc>(reinterpret_cast<void*>(GetProcAddress(lib, "SevenZipGetVersion"))))
    version();
  static char out[65536];
  std::string mode = argv[2];
  if (mode == "one") {
    double t0 = Now();
    int rc = sevenZip(nullptr, argv[3], out, 65535);
    std::printf("ms %.1f rc %d\n", Now() - t0, rc);
    if (rc) std::printf("%s\n", out);
  } else if (mode == "many" && argc >= 7) {
    int n = std::atoi(argv[6]), failures = 0;
    double t0 = Now();
    for (int i = 0; i < n; ++i) {
      std::string cmd = std::string(argv[3]) + " \"" + argv[4] + "a" + std::to_string(i) + ".zip\" \"" + argv[5] +
                        "\" \"f" + std::to_string(i) + ".txt\"";
      if (sevenZip(nullptr, cmd.c_str(), out, 65535) != 0) ++failures;
    }
    std::printf("ms %.1f failures %d\n", Now() - t0, failures);
  }
  if (mode == "spawn" && argc >= 5) {
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return 1;
    std::wstring sh = toDos("/bin/sh");
    std::string folder = argv[3];
    std::wstring wfolder(folder.begin(), folder.end());
    int n = std::atoi(argv[4]), failures = 0;
    HANDLE change = FindFirstChangeNotificationW(wfolder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    double t0 = Now();
    for (int i = 0; i < n; ++i) {
      std::wstring done = wfolder + L"done" + std::to_wstring(i);
      std::wstring line = L"\"" + sh + L"\" -c \"echo >done" + std::to_wstring(i) + L"\"";
      STARTUPINFOW si{sizeof si};
      PROCESS_INFORMATION pi{};
      if (!CreateProcessW(sh.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          wfolder.c_str(), &si, &pi)) {
        ++failures;
        continue;
      }
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
      while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
        WaitForSingleObject(change, 10);
        FindNextChangeNotification(change);
      }
    }
    std::printf("ms %.1f failures %d\n", Now() - t0, failures);
    FindCloseChangeNotification(change);
  }
  std::fflush(stdout);
  FreeLibrary(lib);
  return 0;
}
