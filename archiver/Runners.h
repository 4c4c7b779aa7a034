// The two ways of running the engine: a Windows program, or under Wine the
// Linux 7zz through a shell script. Internal to the library; Windows only.
#pragma once
#include <string>
#include <vector>

#include "Engine.h"

namespace archiver {

// tmp: the call's own folder for its output files.
EngineRun RunWindows(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan,
                     CallMonitor* monitor, const TempFolder& tmp);
// Makes its own job folder for the script and its output and progress files.
EngineRun RunLinux(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan,
                   CallMonitor* monitor);

// The engine's arguments with its report and errors sent to standard output
// and its progress alone to standard error, unless the caller's own switches
// already say where those go (the engine refuses a switch given twice).
std::vector<std::string> WithProgressStream(const std::vector<std::string>& args);

// How often a running call looks at the engine: its progress, its end, the
// user's cancel.
constexpr DWORD kLookEveryMs = 50;

}  // namespace archiver
