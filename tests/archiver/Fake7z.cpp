// A stand-in for a Windows 7z.exe, to see what the library hands a Windows
// engine: it appends its working folder and arguments (hex UTF-8) to
// fake7z.log beside itself, prints a banner, and exits with FAKE7Z_EXIT (for
// "t": FAKE7Z_TEST_EXIT). With FAKE7Z_SLOW set, an add first writes progress
// records on standard error for ten seconds, as the engine does with -bsp2,
// and the word "finished" to fake7z.done beside itself at its end.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
std::string Hex(const wchar_t* w) {
  char buf[4096 * 3];
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
  std::string hex;
  static const char digits[] = "0123456789abcdef";
  for (int i = 0; i + 1 < n; ++i) {
    unsigned char c = static_cast<unsigned char>(buf[i]);
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex.empty() ? "-" : hex;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring log(self, n);
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"fake7z.log";
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  std::string record = Hex(cwd);
  for (int i = 1; i < argc; ++i) record += " " + Hex(argv[i]);
  record += "\n";
  if (FILE* f = _wfopen(log.c_str(), L"ab")) {
    fwrite(record.data(), 1, record.size(), f);
    fclose(f);
  }
  std::printf("\n7-Zip 24.08 (x64) : fake engine\n");
  std::fflush(stdout);
  wchar_t slow[8] = L"";
  if (argc > 1 && std::wstring(argv[1]) == L"a" && GetEnvironmentVariableW(L"FAKE7Z_SLOW", slow, 8)) {
    for (int percent = 0; percent < 100; ++percent) {
      std::fprintf(stderr, "%3d%% 1 + slow.txt\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b", percent);
      std::fflush(stderr);
      Sleep(100);
    }
    std::wstring done = log.substr(0, log.find_last_of(L'\\') + 1) + L"fake7z.done";
    if (FILE* f = _wfopen(done.c_str(), L"wb")) {
      std::fputs("finished", f);
      fclose(f);
    }
  }
  std::fprintf(stderr, "fake stderr line\n");
  const wchar_t* var = argc > 1 && std::wstring(argv[1]) == L"t" ? L"FAKE7Z_TEST_EXIT" : L"FAKE7Z_EXIT";
  wchar_t code[16] = L"0";
  GetEnvironmentVariableW(var, code, 16);
  return _wtoi(code);
}
