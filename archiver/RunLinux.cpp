// A Linux child gets neither the standard handles nor a process handle to wait
// on, so a small script runs the engine (and the check), sends its output to
// files and writes the exit codes last; this side looks for that file and
// reads the progress file as it grows.
#include <cstdlib>

#include "CallMonitor.h"
#include "LinuxStarter.h"
#include "Runners.h"
#include "WinePaths.h"

namespace archiver {

namespace {

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

// Stops the script first, so that it starts nothing more, then kills every
// child it has (the engine) until none is left, then the script itself;
// writes "killed" once all of them are gone (or only zombies), so that the
// call ends only when they are.
void KillScript(DWORD pid, const LinuxJob& job) {
  const std::string p = std::to_string(pid);
  const std::string script =
      "exec </dev/null >/dev/null 2>&1\n"
      "p=" + p + "\n"
      "kill -STOP $p\n"
      "n=0\n"
      "while [ $n -lt 500 ]; do\n"
      "  left=\n"
      "  for s in /proc/[0-9]*/stat; do\n"
      "    read -r line <\"$s\" || continue\n"
      "    pid=${line%% *}; rest=${line##*\") \"}\n"
      "    set -- $rest\n"
      "    [ \"$2\" = $p ] && [ \"$1\" != Z ] && { kill -KILL $pid; left=1; }\n"
      "  done\n"
      "  [ -z \"$left\" ] && break\n"
      "  sleep 0.01; n=$((n+1))\n"
      "done\n"
      "kill -KILL $p\n"
      "echo >" + ShellQuote(job.UnixFolder() + "/killed") + "\n";
  // Started on its own: it must run even when the helper that started the
  // engine has gone.
  if (WriteWholeFile(job.Folder().File(L"kill.sh"), script))
    StartShell(job.UnixFolder() + "/kill.sh", job.Folder().Path());
}

// "archive temp", each "-" where that was not there before the engine ran.
void ReadBefore(const TempFolder& tmp, EngineRun& run) {
  const std::string before = ReadWholeFile(tmp.File(L"before"));
  if (before.empty() || before.back() != '\n') return;  // unknown: both stay as there
  run.archiveExisted = before.rfind("archive ", 0) == 0;
  run.tempExisted = before.find(" temp\n") != std::string::npos;
}

// The check's output follows the command's in the same file; whatever else
// the engines wrote beside their progress comes after it.
std::string AllOutput(const TempFolder& tmp) {
  return ReadWholeFile(tmp.File(L"out")) + NonProgressText(ReadWholeFile(tmp.File(L"progress"))) +
         NonProgressText(ReadWholeFile(tmp.File(L"test-progress")));
}

}  // namespace

EngineRun RunLinux(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan,
                   CallMonitor* monitor) {
  EngineRun run;
  LinuxJob job;
  if (!job.Ok()) {
    run.failure = "no temporary folder could be made";
    return run;
  }
  const TempFolder& tmp = job.Folder();
  const std::string& dir = job.UnixFolder();
  std::string work = UnixPath(workFolder);
  if (dir.empty() || work.empty() || ShellPath().empty()) {
    run.failure = "the folders cannot be given to the Linux engine";
    return run;
  }
  auto in = [&](const char* name) { return ShellQuote(dir + "/" + name); };
  std::string script = "exec </dev/null >/dev/null 2>&1\n";
  // Looked at here, where it costs nothing (under Wine each look at a
  // missing name reads its whole folder), and before the pid is written: a
  // cancel needs the pid, so it always finds this answer.
  if (!plan.archive.empty())
    script += "a=-; t=-; [ -e " + ShellQuote(plan.archive) + " ] && a=archive; [ -e " +
              ShellQuote(plan.archive + ".tmp") + " ] && t=temp; echo \"$a $t\" >" + in("before") + "\n";
  script += "echo $$ >" + in("pid") + "\n";
  script += "cd " + ShellQuote(work) + " || { echo " + ShellQuote("cannot enter " + work) + " >" + in("out") +
            "; echo '127 -' >" + in("rc") + "; exit 0; }\n";
  script += ShellWords(engine.unixProgram, WithProgressStream(plan.main)) + " >" + in("out") + " 2>" +
            in("progress") + "\n";
  script += "rc=$?\ntrc=-\n";
  // The check's progress file appearing is the sign that the test has begun.
  if (!plan.check.empty())
    script += "if [ $rc -eq 0 ]; then " + ShellWords(engine.unixProgram, WithProgressStream(plan.check)) + " >>" +
              in("out") + " 2>" + in("test-progress") + "; trc=$?; fi\n";
  script += "echo \"$rc $trc\" >" + in("rc") + "\n";
  if (!WriteWholeFile(tmp.File(L"run.sh"), script)) {
    run.failure = "the engine's script cannot be written";
    return run;
  }

  if (!job.Start()) {
    run.failure = "/bin/sh cannot be started (error " + std::to_string(GetLastError()) + ")";
    return run;
  }

  const ULONGLONG started = GetTickCount64();
  ULONGLONG lastLook = started;
  DWORD pid = 0;
  bool killed = false;
  ULONGLONG killedAt = 0;
  GrowingFile progress(tmp.File(L"progress")), testProgress(tmp.File(L"test-progress"));
  bool testing = false;
  const std::wstring rcFile = tmp.File(L"rc");
  while (!ReadResultFile(rcFile, run)) {
    ULONGLONG now = GetTickCount64();
    const bool cancel = monitor && monitor->Cancelled() && !killed;
    // The script's pid is needed only to see it alive after a while, or to stop it.
    if (pid == 0 && (cancel || now - lastLook >= 250))
      pid = static_cast<DWORD>(std::strtoul(ReadWholeFile(tmp.File(L"pid")).c_str(), nullptr, 10));
    if (monitor && monitor->Showing()) {
      if (!testing && Exists(tmp.File(L"test-progress"))) {
        monitor->Feed(progress.ReadNew());
        monitor->BeginPhase(CallMonitor::Phase::Testing);
        testing = true;
      }
      monitor->Feed(testing ? testProgress.ReadNew() : progress.ReadNew());
    }
    if (cancel && pid != 0) {
      KillScript(pid, job);
      killed = true;
      killedAt = now;
    }
    if (pid == 0 && now - started > 60000) {
      run.failure = "the Linux engine did not start within a minute";
      return run;
    }
    // A helper that ended before it started the script never will; the pid
    // is looked for once more after the helper was found gone, for a script
    // it started just before.
    if (pid == 0 && !killed && now - lastLook >= 250) {
      lastLook = now;
      if (!job.StarterAlive() && !Exists(tmp.File(L"pid"))) {
        run.failure = "the helper that starts the Linux engine has ended";
        return run;
      }
    }
    if (killed) {
      // Ends once the stopping script says the engine is gone, or it cannot
      // say so (the script that stops it failed to start, or ended early).
      if (Exists(tmp.File(L"killed")) || now - killedAt > 10000) {
        ReadBefore(tmp, run);
        run.cancelled = true;
        run.failure = "cancelled";
        run.output = AllOutput(tmp);
        return run;
      }
    } else if (pid != 0 && now - lastLook >= 250) {
      lastLook = now;
      if (!LinuxProcessAlive(pid)) {
        if (ReadResultFile(rcFile, run)) break;
        run.failure = "the Linux engine ended without a result";
        run.output = AllOutput(tmp);
        return run;
      }
    }
    // Looked for often at first, where most calls end, then every 10 ms: a
    // look costs next to nothing, and a late one adds its delay to the call.
    // A change notification on the folder would wake the wait at the right
    // moment, but under Wine closing one costs 8 to 15 ms, more than a whole
    // call's looking.
    const ULONGLONG elapsed = now - started;
    const DWORD pause = elapsed < 100 ? 1 : 10;
    if (monitor)
      monitor->Wait(nullptr, pause);
    else
      Sleep(pause);
  }
  if (killed) {
    // The engine may have finished the moment the user pressed cancel; the
    // user asked to stop, and stopped it is.
    ReadBefore(tmp, run);
    run.completed = false;
    run.cancelled = true;
    run.failure = "cancelled";
  }
  run.output = AllOutput(tmp);
  return run;
}

}  // namespace archiver
