#include "Engine.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "SevenZip32.h"
#include "Utf8.h"
#include "WideText.h"

namespace archiver {

std::string U8(std::wstring_view s) { return ToUtf8(U16(s)); }
std::wstring Wide(std::string_view s) { return W(FromUtf8(s)); }

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
UniqueHandle Own(HANDLE h) { return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

struct ChangeCloser {
  void operator()(HANDLE h) const { FindCloseChangeNotification(h); }
};

std::wstring Env(const wchar_t* name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring v(n, L'\0');
  n = GetEnvironmentVariableW(name, v.data(), n);
  v.resize(n);
  return v;
}

bool IsFile(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ModuleFolder(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

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

std::string ReadWholeFile(const std::wstring& path) {
  UniqueHandle f = Own(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string data;
  if (!f) return data;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  return data;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
  UniqueHandle f = Own(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD wrote = 0;
  return f && WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr) &&
         wrote == data.size();
}

// A private folder for one run's script and output files, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::wstring p = std::wstring(base, n) + L"7z32-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount64() % 100000);
      if (CreateDirectoryW(p.c_str(), nullptr)) {
        path_ = p;
        return;
      }
      if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
  }
  ~TempFolder() {
    if (path_.empty()) return;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path_ + L"\\" + fd.cFileName).c_str());
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
    RemoveDirectoryW(path_.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  bool Ok() const { return !path_.empty(); }
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

std::string ShellWords(const std::string& program, const std::vector<std::string>& args) {
  std::string s = ShellQuote(program);
  for (const std::string& a : args) s += " " + ShellQuote(a);
  return s;
}

// "rc check\n", written by the script as its last act; check is "-" when it did not run.
bool ReadResultFile(const std::wstring& path, EngineRun& run) {
  std::string text = ReadWholeFile(path);
  if (text.empty() || text.back() != '\n') return false;
  size_t blank = text.find(' ');
  if (blank == std::string::npos) return false;
  run.exitCode = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
  std::string check = text.substr(blank + 1, text.size() - blank - 2);
  run.checked = check != "-";
  if (run.checked) run.checkExitCode = static_cast<DWORD>(std::strtoul(check.c_str(), nullptr, 10));
  run.completed = true;
  return true;
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

// A Linux child gets neither the standard handles nor a process handle to wait
// on, so a small script runs the engine (and the check), sends its output to
// files and writes the exit codes last; this side waits for that file.
EngineRun RunLinux(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan) {
  EngineRun run;
  TempFolder tmp;
  if (!tmp.Ok()) {
    run.failure = "no temporary folder could be made";
    return run;
  }
  std::string dir = UnixPath(tmp.Path());
  std::string work = UnixPath(workFolder);
  const std::wstring& sh = ShellPath();
  if (dir.empty() || work.empty() || sh.empty()) {
    run.failure = "the folders cannot be given to the Linux engine";
    return run;
  }
  auto in = [&](const char* name) { return ShellQuote(dir + "/" + name); };
  std::string script = "exec </dev/null >/dev/null 2>&1\n";
  script += "echo $$ >" + in("pid") + "\n";
  script += "cd " + ShellQuote(work) + " || { echo " + ShellQuote("cannot enter " + work) + " >" + in("out") +
            "; echo '127 -' >" + in("rc") + "; exit 0; }\n";
  script += ShellWords(engine.unixProgram, plan.main) + " >" + in("out") + " 2>&1\n";
  script += "rc=$?\ntrc=-\n";
  if (!plan.check.empty())
    script += "if [ $rc -eq 0 ]; then " + ShellWords(engine.unixProgram, plan.check) + " >>" + in("out") +
              " 2>&1; trc=$?; fi\n";
  script += "echo \"$rc $trc\" >" + in("rc") + "\n";
  if (!WriteWholeFile(tmp.File(L"run.sh"), script)) {
    run.failure = "the engine's script cannot be written";
    return run;
  }

  std::unique_ptr<void, ChangeCloser> change(
      FindFirstChangeNotificationW(tmp.Path().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE));
  if (change.get() == INVALID_HANDLE_VALUE) change.release();

  std::wstring cmdline = Wide(WindowsQuote(U8(sh)) + " " + WindowsQuote(dir + "/run.sh"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(sh.c_str(), cmdline.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      tmp.Path().c_str(), &si, &pi)) {
    run.failure = "/bin/sh cannot be started (error " + std::to_string(GetLastError()) + ")";
    return run;
  }
  Own(pi.hThread);
  Own(pi.hProcess);

  const ULONGLONG started = GetTickCount64();
  ULONGLONG lastLook = started;
  DWORD pid = 0;
  const std::wstring rcFile = tmp.File(L"rc");
  while (!ReadResultFile(rcFile, run)) {
    ULONGLONG now = GetTickCount64();
    if (pid == 0) {
      pid = static_cast<DWORD>(std::strtoul(ReadWholeFile(tmp.File(L"pid")).c_str(), nullptr, 10));
      if (pid == 0 && now - started > 60000) {
        run.failure = "the Linux engine did not start within a minute";
        return run;
      }
    } else if (now - lastLook >= 250) {
      lastLook = now;
      if (!LinuxProcessAlive(pid)) {
        if (ReadResultFile(rcFile, run)) break;
        run.failure = "the Linux engine ended without a result";
        run.output = ReadWholeFile(tmp.File(L"out"));
        return run;
      }
    }
    if (change) {
      if (WaitForSingleObject(change.get(), 10) == WAIT_OBJECT_0) FindNextChangeNotification(change.get());
    } else {
      Sleep(1);
    }
  }
  // The check's output follows the command's in the same file.
  run.output = ReadWholeFile(tmp.File(L"out"));
  return run;
}

bool RunWindowsProgram(const std::wstring& program, const std::vector<std::string>& args,
                       const std::wstring& workFolder, const std::wstring& outPath, DWORD& exitCode,
                       std::string& output, std::string& failure) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueHandle out = Own(CreateFileW(outPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_TEMPORARY, nullptr));
  UniqueHandle in = Own(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_EXISTING, 0, nullptr));
  if (!out || !in) {
    failure = "the engine's output file cannot be made";
    return false;
  }
  // The program path goes in as the application name too: a path with blanks
  // can never be read as C:\Program.exe.
  std::string line = WindowsQuote(U8(program));
  for (const std::string& a : args) line += " " + WindowsQuote(a);
  std::wstring cmdline = Wide(line);

  // Only the two handles meant for the engine are inherited, not whatever
  // else the calling program has open.
  HANDLE handles[2] = {in.get(), out.get()};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attrBuffer(size);
  auto* attrs = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attrBuffer.data());
  bool haveList = size > 0 && InitializeProcThreadAttributeList(attrs, 1, 0, &size) &&
                  UpdateProcThreadAttribute(attrs, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles,
                                            nullptr, nullptr);
  STARTUPINFOEXW si{};
  si.StartupInfo.cb = haveList ? sizeof si : sizeof si.StartupInfo;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = in.get();
  si.StartupInfo.hStdOutput = out.get();
  si.StartupInfo.hStdError = out.get();
  if (haveList) si.lpAttributeList = attrs;
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessW(program.c_str(), cmdline.data(), nullptr, nullptr, TRUE,
                           CREATE_NO_WINDOW | (haveList ? EXTENDED_STARTUPINFO_PRESENT : 0), nullptr,
                           workFolder.c_str(), &si.StartupInfo, &pi);
  DWORD error = GetLastError();
  if (haveList) DeleteProcThreadAttributeList(attrs);
  if (!ok) {
    failure = U8(program) + " cannot be started (error " + std::to_string(error) + ")";
    return false;
  }
  UniqueHandle process = Own(pi.hProcess);
  Own(pi.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  if (!GetExitCodeProcess(process.get(), &exitCode)) exitCode = 0xFFFFFFFF;
  out.reset();
  output = ReadWholeFile(outPath);
  return true;
}

EngineRun RunWindows(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan) {
  EngineRun run;
  TempFolder tmp;
  if (!tmp.Ok()) {
    run.failure = "no temporary folder could be made";
    return run;
  }
  if (!RunWindowsProgram(engine.program, plan.main, workFolder, tmp.File(L"out"), run.exitCode, run.output,
                         run.failure))
    return run;
  if (run.exitCode == 0 && !plan.check.empty()) {
    if (!RunWindowsProgram(engine.program, plan.check, workFolder, tmp.File(L"check"), run.checkExitCode,
                           run.checkOutput, run.failure))
      return run;
    run.checked = true;
  }
  run.completed = true;
  return run;
}

Engine WindowsEngine(std::wstring path) {
  Engine e;
  e.kind = Engine::Kind::Windows;
  e.program = std::move(path);
  return e;
}

Engine LinuxEngine(const std::string& unixPath, std::wstring dosPath) {
  Engine e;
  e.kind = Engine::Kind::Linux;
  e.unixProgram = unixPath;
  e.program = std::move(dosPath);
  return e;
}

}  // namespace

Engine FindEngine(HMODULE self) {
  const bool wine = Wine().Present() && !ShellPath().empty();
  std::wstring chosen = Env(SEVENZIP32_ENGINE_VARIABLE);
  if (!chosen.empty()) {
    std::string u = U8(chosen);
    if (wine && u[0] == '/') {
      std::wstring dos = DosPath(u);
      if (!dos.empty() && IsFile(dos)) return LinuxEngine(u, dos);
    } else if (IsAbsoluteWindowsPath(u) && IsFile(chosen)) {
      return WindowsEngine(FullPath(chosen));
    }
    Engine none;
    none.whyNone = "SEVENZIP32_ENGINE names no program: " + u;
    return none;
  }

  std::vector<std::wstring> windowsCandidates;
  if (std::wstring here = ModuleFolder(self); !here.empty()) windowsCandidates.push_back(here + L"7z.exe");
  for (const wchar_t* var : {L"ProgramFiles", L"ProgramW6432"})
    if (std::wstring pf = Env(var); !pf.empty() && IsAbsoluteWindowsPath(U8(pf)))
      windowsCandidates.push_back(pf + L"\\7-Zip\\7z.exe");
  for (const std::wstring& c : windowsCandidates)
    if (IsFile(c)) return WindowsEngine(c);

  if (wine) {
    for (const char* u : {"/usr/bin/7zz", "/usr/local/bin/7zz"}) {
      std::wstring dos = DosPath(u);
      if (!dos.empty() && IsFile(dos)) return LinuxEngine(u, dos);
    }
  }

  // PATH, but only its absolute entries: an empty or relative entry would
  // mean the current folder, which may be the very folder being compressed.
  std::wstring path = Env(L"PATH");
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(L';', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring dir = path.substr(start, end - start);
    start = end + 1;
    if (dir.size() >= 2 && dir.front() == L'"' && dir.back() == L'"') dir = dir.substr(1, dir.size() - 2);
    std::string u = U8(dir);
    if (!IsAbsoluteWindowsPath(u) || (u[0] == '\\' && (u.size() < 2 || u[1] != '\\'))) continue;
    if (dir.back() != L'\\') dir += L'\\';
    if (IsFile(dir + L"7z.exe")) return WindowsEngine(dir + L"7z.exe");
  }

  Engine none;
  none.whyNone = "no 7-Zip engine found (7z.exe beside this library, in %ProgramFiles%\\7-Zip or on PATH";
  none.whyNone += wine ? ", or /usr/bin/7zz)" : ")";
  return none;
}

std::string EnginePath(const Engine& engine, const std::wstring& windowsPath) {
  if (engine.kind == Engine::Kind::Linux) return UnixPath(windowsPath);
  return U8(windowsPath);
}

EngineRun RunEngine(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan) {
  if (engine.kind == Engine::Kind::Linux) return RunLinux(engine, workFolder, plan);
  if (engine.kind == Engine::Kind::Windows) return RunWindows(engine, workFolder, plan);
  EngineRun run;
  run.failure = engine.whyNone;
  return run;
}

WORD EngineVersion(const Engine& engine) {
  if (engine.kind == Engine::Kind::None) return 0;
  static std::mutex lock;
  static std::wstring cachedProgram;
  static WORD cachedVersion = 0;
  std::lock_guard<std::mutex> hold(lock);
  if (cachedProgram == engine.program) return cachedVersion;
  TempFolder tmp;
  if (!tmp.Ok()) return 0;
  EngineRun run = RunEngine(engine, tmp.Path(), EnginePlan{});
  WORD version = run.completed ? static_cast<WORD>(ParseEngineVersion(run.output)) : 0;
  if (version != 0) {
    cachedProgram = engine.program;
    cachedVersion = version;
  }
  return version;
}

}  // namespace archiver
