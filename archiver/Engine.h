// Finding and running the 7-Zip engine: a Windows 7z.exe, or under Wine the
// Linux 7zz run by a shell script (see LinuxStarter.h). Windows only.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "CommandText.h"
#include "Files.h"

namespace archiver {

struct Engine {
  enum class Kind { None, Windows, Linux };
  Kind kind = Kind::None;
  std::wstring program;      // Windows path of the program (both kinds)
  std::string unixProgram;   // Linux engine: its Unix path, UTF-8
  std::string whyNone;       // Kind::None: what was looked at
  std::vector<std::wstring> searched;  // Kind::None: the places looked at, in order
};

// The engine to use now. Absolute paths only; the current folder is never searched.
Engine FindEngine(HMODULE self);

// The engine's form of an absolute Windows path (Unix path for the Linux engine).
std::string EnginePath(const Engine& engine, const std::wstring& windowsPath);

class CallMonitor;

struct EngineRun {
  bool completed = false;     // false: could not start, ended without a result, or cancelled
  bool cancelled = false;     // the user stopped it: the engine and what it started are gone
  std::string failure;        // why not completed
  DWORD exitCode = 0;
  std::string output;
  // Before the engine ran: the archive, and the engine's temporary file
  // beside it. Where that is not known, both are taken as there.
  bool archiveExisted = true;
  bool tempExisted = true;
  bool checked = false;       // the check ran (it runs only after exit code 0)
  DWORD checkExitCode = 0;
  std::string checkOutput;
};

// Runs plan.main in workFolder and, when it succeeds and plan.check is not
// empty, plan.check. Blocks until the engine has ended; with a monitor, the
// engine's progress is shown meanwhile and the user may cancel.
EngineRun RunEngine(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan,
                    CallMonitor* monitor = nullptr);

// In hundredths (26.02 -> 2602); 0 when there is no engine. Asked once per program.
WORD EngineVersion(const Engine& engine);

}  // namespace archiver
