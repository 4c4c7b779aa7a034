#include "WinePaths.h"

#include "Files.h"

namespace archiver {

namespace {

// Wine's path conversions, exported by its kernel32; absent on Windows.
struct WineApi {
  using ToUnixProc = char*(CDECL*)(LPCWSTR);
  using ToDosProc = WCHAR*(CDECL*)(LPCSTR);
  ToUnixProc toUnix = nullptr;
  ToDosProc toDos = nullptr;
  bool Present() const { return toUnix && toDos; }
};

const WineApi& Wine() {
  static const WineApi api = [] {
    WineApi a;
    if (HMODULE k = GetModuleHandleW(L"kernel32.dll")) {
      a.toUnix = reinterpret_cast<WineApi::ToUnixProc>(
          reinterpret_cast<void*>(GetProcAddress(k, "wine_get_unix_file_name")));
      a.toDos = reinterpret_cast<WineApi::ToDosProc>(
          reinterpret_cast<void*>(GetProcAddress(k, "wine_get_dos_file_name")));
    }
    return a;
  }();
  return api;
}

}  // namespace

bool UnderWine() { return Wine().Present(); }

std::wstring DosPath(const std::string& unixPath) {
  if (!Wine().Present()) return {};
  WCHAR* dos = Wine().toDos(unixPath.c_str());
  if (!dos) return {};
  std::wstring r = dos;
  HeapFree(GetProcessHeap(), 0, dos);
  return r;
}

// The shell's Windows path never changes while the process runs.
const std::wstring& ShellPath() {
  static const std::wstring sh = DosPath("/bin/sh");
  return sh;
}

// Wine converts only paths whose folders exist; the rest (an archive folder
// that 7-Zip will create, a wildcard) is carried over name by name.
std::string UnixPath(std::wstring path) {
  if (!Wine().Present()) return {};
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  std::string tail;
  while (true) {
    if (char* u = Wine().toUnix(path.c_str())) {
      std::string r = u;
      HeapFree(GetProcessHeap(), 0, u);
      while (!tail.empty() && r.size() > 1 && r.back() == '/') r.pop_back();
      return r + tail;
    }
    size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut + 1 >= path.size()) return {};
    tail = "/" + U8(path.substr(cut + 1)) + tail;
    path.resize(cut);
    if (path.empty()) return {};
    if (path.back() == L':') path += L'\\';
  }
}

// A Linux process is alive while /proc shows it and it is not a zombie.
bool LinuxProcessAlive(DWORD pid) {
  static const std::wstring proc = DosPath("/proc");
  if (proc.empty()) return true;  // cannot tell: keep waiting for the result file
  std::string stat = ReadWholeFile(proc + L"\\" + std::to_wstring(pid) + L"\\stat");
  size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return false;
  char state = stat[close + 2];
  return state != 'Z' && state != 'X';
}

}  // namespace archiver
