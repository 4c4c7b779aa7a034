#include "Engine.h"

#include <mutex>

#include "Runners.h"
#include "SevenZip32.h"
#include "WinePaths.h"

namespace archiver {

std::vector<std::string> WithProgressStream(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a.size() > 3 && a[0] == '-' && (a[1] == 'b' || a[1] == 'B') && (a[2] == 's' || a[2] == 'S')) return args;
  }
  std::vector<std::string> r;
  bool added = false;
  for (const std::string& a : args) {
    if (a == "--" && !added) {
      r.insert(r.end(), {"-bso1", "-bse1", "-bsp2"});
      added = true;
    }
    r.push_back(a);
  }
  return r;
}

namespace {

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
  const bool wine = UnderWine() && !ShellPath().empty();
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
    none.searched.push_back(chosen);
    return none;
  }

  std::vector<std::wstring> windowsCandidates;
  if (std::wstring here = ModuleFolder(self); !here.empty()) windowsCandidates.push_back(here + L"7z.exe");
  for (const wchar_t* var : {L"ProgramFiles", L"ProgramW6432"})
    if (std::wstring pf = Env(var); !pf.empty() && IsAbsoluteWindowsPath(U8(pf)))
      windowsCandidates.push_back(pf + L"\\7-Zip\\7z.exe");
  std::vector<std::wstring> searched;
  for (const std::wstring& c : windowsCandidates) {
    if (IsFile(c)) return WindowsEngine(c);
    searched.push_back(c);
  }

  if (wine) {
    for (const char* u : {"/usr/bin/7zz", "/usr/local/bin/7zz"}) {
      std::wstring dos = DosPath(u);
      if (!dos.empty() && IsFile(dos)) return LinuxEngine(u, dos);
      searched.push_back(Wide(u));
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
    searched.push_back(dir + L"7z.exe");
  }

  Engine none;
  none.searched = std::move(searched);
  none.whyNone = "no 7-Zip engine found (7z.exe beside this library, in %ProgramFiles%\\7-Zip or on PATH";
  none.whyNone += wine ? ", or /usr/bin/7zz)" : ")";
  return none;
}

std::string EnginePath(const Engine& engine, const std::wstring& windowsPath) {
  if (engine.kind == Engine::Kind::Linux) return UnixPath(windowsPath);
  return U8(windowsPath);
}

EngineRun RunEngine(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan,
                    CallMonitor* monitor) {
  EngineRun run;
  if (engine.kind == Engine::Kind::None) {
    run.failure = engine.whyNone;
    return run;
  }
  if (engine.kind == Engine::Kind::Linux) return RunLinux(engine, workFolder, plan, monitor);
  TempFolder tmp;
  if (!tmp.Ok()) {
    run.failure = "no temporary folder could be made";
    return run;
  }
  return RunWindows(engine, workFolder, plan, monitor, tmp);
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
