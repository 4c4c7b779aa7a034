// A Windows 7z.exe: started with its standard handles on files of a private
// folder, inside a job object so that a cancel ends it and whatever it started.
#include <vector>

#include "CallMonitor.h"
#include "Runners.h"

namespace archiver {

namespace {

struct Started {
  UniqueHandle process;
  UniqueHandle job;
};

UniqueHandle InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return Own(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                         disposition, FILE_ATTRIBUTE_TEMPORARY, nullptr));
}

// Runs the program to its end (or to a cancel); its standard output and error
// go to outPath, its progress to progressPath.
bool RunWindowsProgram(const std::wstring& program, const std::vector<std::string>& args,
                       const std::wstring& workFolder, const std::wstring& outPath, const std::wstring& progressPath,
                       CallMonitor* monitor, DWORD& exitCode, std::string& output, std::string& failure,
                       bool& cancelled) {
  UniqueHandle out = InheritableFile(outPath, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  UniqueHandle progressOut = InheritableFile(progressPath, GENERIC_WRITE, CREATE_ALWAYS);
  UniqueHandle in = Own(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (in) SetHandleInformation(in.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  if (!out || !in || !progressOut) {
    failure = "the engine's output file cannot be made";
    return false;
  }
  // The program path goes in as the application name too: a path with blanks
  // can never be read as C:\Program.exe.
  std::string line = WindowsQuote(U8(program));
  for (const std::string& a : WithProgressStream(args)) line += " " + WindowsQuote(a);
  std::wstring cmdline = Wide(line);

  // Only the handles meant for the engine are inherited, not whatever else
  // the calling program has open.
  HANDLE handles[3] = {in.get(), out.get(), progressOut.get()};
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
  si.StartupInfo.hStdError = progressOut.get();
  if (haveList) si.lpAttributeList = attrs;
  PROCESS_INFORMATION pi{};
  // Suspended until it is in the job, so that nothing it starts escapes a cancel.
  BOOL ok = CreateProcessW(program.c_str(), cmdline.data(), nullptr, nullptr, TRUE,
                           CREATE_NO_WINDOW | CREATE_SUSPENDED | (haveList ? EXTENDED_STARTUPINFO_PRESENT : 0),
                           nullptr, workFolder.c_str(), &si.StartupInfo, &pi);
  DWORD error = GetLastError();
  if (haveList) DeleteProcThreadAttributeList(attrs);
  if (!ok) {
    failure = U8(program) + " cannot be started (error " + std::to_string(error) + ")";
    return false;
  }
  UniqueHandle process = Own(pi.hProcess);
  UniqueHandle thread = Own(pi.hThread);
  UniqueHandle job = Own(CreateJobObjectW(nullptr, nullptr));
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    // Should this library's process die, the engine goes with it.
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    if (!AssignProcessToJobObject(job.get(), process.get())) job.reset();
  }
  ResumeThread(thread.get());
  progressOut.reset();

  GrowingFile progress(progressPath);
  bool killed = false;
  while (true) {
    bool ended = monitor ? monitor->Wait(process.get(), kLookEveryMs)
                         : WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0;
    if (monitor && monitor->Showing()) monitor->Feed(progress.ReadNew());
    if (ended) break;
    if (monitor && monitor->Cancelled() && !killed) {
      if (job)
        TerminateJobObject(job.get(), 1);
      else
        TerminateProcess(process.get(), 1);
      killed = true;
    }
  }
  if (!GetExitCodeProcess(process.get(), &exitCode)) exitCode = 0xFFFFFFFF;
  out.reset();
  output = ReadWholeFile(outPath) + NonProgressText(ReadWholeFile(progressPath));
  cancelled = killed;
  return true;
}

}  // namespace

EngineRun RunWindows(const Engine& engine, const std::wstring& workFolder, const EnginePlan& plan,
                     CallMonitor* monitor, const TempFolder& tmp) {
  EngineRun run;
  if (!plan.archive.empty()) {
    run.archiveExisted = Exists(Wide(plan.archive));
    run.tempExisted = Exists(Wide(plan.archive + ".tmp"));
  }
  if (!RunWindowsProgram(engine.program, plan.main, workFolder, tmp.File(L"out"), tmp.File(L"progress"), monitor,
                         run.exitCode, run.output, run.failure, run.cancelled))
    return run;
  if (!run.cancelled && run.exitCode == 0 && !plan.check.empty()) {
    if (monitor) monitor->BeginPhase(CallMonitor::Phase::Testing);
    if (!RunWindowsProgram(engine.program, plan.check, workFolder, tmp.File(L"check"), tmp.File(L"test-progress"),
                           monitor, run.checkExitCode, run.checkOutput, run.failure, run.cancelled))
      return run;
    run.checked = true;
  }
  if (run.cancelled) {
    run.failure = "cancelled";
    return run;
  }
  run.completed = true;
  return run;
}

}  // namespace archiver
