// Times calls of 7-ZIP32.DLL from inside a Windows process, so that Wine's own
// start-up is not counted. Compiled and run by bench/archiver/run.
//   driver DLL one COMMAND                               -> "ms <time> rc <code>"
//   driver DLL many PROFILE ARCHIVE_FOLDER BASE_FOLDER N -> "ms <total> failures <n> private <after 10th> <after last>"
// (file form for f0.txt ... f<N-1>.txt, archives a0.zip ...; private bytes of
// the process after the 10th call and after the last, in KB)
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

// Committed private memory, summed over the address space (Wine leaves the
// PrivateUsage counter of GetProcessMemoryInfo at 0).
static unsigned long long PrivateKb() {
  unsigned long long total = 0;
  MEMORY_BASIC_INFORMATION m;
  for (char* p = nullptr; VirtualQuery(p, &m, sizeof m) == sizeof m; p = static_cast<char*>(m.BaseAddress) + m.RegionSize) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += m.RegionSize;
    if (static_cast<char*>(m.BaseAddress) + m.RegionSize < p) break;
  }
  return total / 1024;
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
  // As Morvel does when it loads the library.
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
    unsigned long long tenth = 0;
    double t0 = Now();
    for (int i = 0; i < n; ++i) {
      std::string cmd = std::string(argv[3]) + " \"" + argv[4] + "a" + std::to_string(i) + ".zip\" \"" + argv[5] +
                        "\" \"f" + std::to_string(i) + ".txt\"";
      if (sevenZip(nullptr, cmd.c_str(), out, 65535) != 0) ++failures;
      if (i == 9) tenth = PrivateKb();
    }
    double t1 = Now();
    std::printf("ms %.1f failures %d private %llu %llu\n", t1 - t0, failures, tenth, PrivateKb());
  }
  std::fflush(stdout);
  FreeLibrary(lib);
  return 0;
}
