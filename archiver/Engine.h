// Finding and running the 7-Zip engine: a Windows 7z.exe, or under Wine the
// Linux 7zz started through /bin/sh. Windows only.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "CommandText.h"

namespace archiver {

struct Engine {
  enum class Kind { None, Windows, Linux };
  Kind kind = Kind::None;
  std::wstring program;      // Windows path of the program (both kinds)
  std::string unixProgram;   // Linux engine: its Unix path, UTF-8
  std::string whyNone;       // Kind::None: what was looked at
};

// Small helpers both halves of the library use.
std::string U8(std::wstring_view s);        // UTF-16 to UTF-8
std::wstring Wide(std::string_view s);      // UTF-8 to UTF-16
std::wstring FullPath(const std::wstring& path);  // empty when the system cannot make one

// The engine to use now. Absolute paths only; the current folder is never searched.
Engine FindEngine(HMODULE self);

// The engine's form of an absolute Windows path (Unix path for the Linux engine).
std::string EnginePath(const Engine& engine, const std::wstring& windowsPath);

struct EngineRun {
  bool completed = false;     // false: could not start, or ended without a result
  std::string failure;        // why not completed
  DWORD exitCode = 0;
  std::string output;
  bool checked = false;       // the check ran (it runs only after exit code 0)
  DWORD checkExitCode = 0;
  std::string checkOutput;
};

// Runs plan.main in workFolder and, when it succeeds and plan.check is not
// empty, plan.check. Blocks until the engine has ended.
EngineRun RunEngine(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan);

// In hundredths (26.02 -> 2602); 0 when there is no engine. Asked once per program.
WORD EngineVersion(const Engine& engine);

}  // namespace archiver
