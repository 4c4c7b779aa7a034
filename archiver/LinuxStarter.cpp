#include "LinuxStarter.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "CommandText.h"
#include "SevenZip32.h"
#include "WinePaths.h"

namespace archiver {

namespace {

// A Linux program (Windows form of its path) with its arguments, in folder.
bool StartLinuxProgram(const std::wstring& program, const std::vector<std::string>& args,
                       const std::wstring& folder) {
  std::string line = WindowsQuote(U8(program));
  for (const std::string& a : args) line += " " + WindowsQuote(a);
  std::wstring cmdline = Wide(line);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), cmdline.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &si, &pi))
    return false;
  Own(pi.hThread);
  Own(pi.hProcess);
  return true;
}

// Reads job lines from the named pipe "jobs" in its folder: "run N" starts
// N/run.sh, "done N" removes the folder N.
// The pipe's end of the library is its only writer once the library has
// said hello; when it closes (the library unloaded, its process ended or was
// killed), the helper sees the end of the pipe, lets the running scripts
// finish and removes its folder. Until the hello, the helper holds a writer
// of its own, so that a library that never comes is waited for 10 s, not for
// ever. Both ends open, the pipe's name goes (Wine cannot delete a pipe).
constexpr char kHelperScript[] =
    "d=$1\n"
    "exec </dev/null >/dev/null 2>&1\n"
    "mkfifo -m 600 \"$d/jobs\" || { echo none >\"$d/ready\"; exit 1; }\n"
    "exec 4<>\"$d/jobs\" 3<\"$d/jobs\"\n"
    "echo $$ >\"$d/ready\"\n"
    "IFS= read -r -t 10 line <&3 && [ \"$line\" = hello ] || { rm -rf -- \"$d\"; exit 1; }\n"
    "exec 4>&-\n"
    "rm -f -- \"$d/jobs\"\n"
    "while IFS= read -r line <&3; do\n"
    "  n=${line#* }\n"
    "  case $n in ''|*[!0-9]*) continue ;; esac\n"
    "  case $line in\n"
    "    \"run \"*) /bin/sh \"$d/$n/run.sh\" & ;;\n"
    "    \"done \"*) rm -rf -- \"$d/$n\" & ;;\n"
    "  esac\n"
    "done\n"
    "wait\n"
    "rm -rf -- \"$d\"\n";

// How long a helper may take to come up before the calls go on without one.
constexpr ULONGLONG kHelperStartMs = 5000;

}  // namespace

bool StartShell(const std::string& scriptUnixPath, const std::wstring& folder) {
  return StartLinuxProgram(ShellPath(), {scriptUnixPath}, folder);
}

class Helper {
 public:
  // Null when no helper can run here.
  static std::shared_ptr<Helper> Start() {
    if (!Env(SEVENZIP32_NO_HELPER_VARIABLE).empty()) return nullptr;
    static const std::wstring bash = DosPath("/bin/bash");
    if (bash.empty() || !IsFile(bash)) return nullptr;
    std::shared_ptr<Helper> h(new Helper);
    if (!h->folder_.Ok()) return nullptr;
    h->unixFolder_ = UnixPath(h->folder_.Path());
    if (h->unixFolder_.empty() || !WriteWholeFile(h->folder_.File(L"helper.sh"), kHelperScript)) return nullptr;

    if (!StartLinuxProgram(bash, {h->unixFolder_ + "/helper.sh", h->unixFolder_}, h->folder_.Path())) return nullptr;

    // "ready" holds the helper's pid and a line end once its pipe exists, or
    // "none" where no pipe can be made here.
    const ULONGLONG started = GetTickCount64();
    for (;;) {
      const std::string ready = ReadWholeFile(h->folder_.File(L"ready"));
      if (!ready.empty() && ready.back() == '\n') {
        h->pid_ = static_cast<DWORD>(std::strtoul(ready.c_str(), nullptr, 10));
        if (h->pid_ == 0) return nullptr;
        break;
      }
      if (GetTickCount64() - started > kHelperStartMs) return nullptr;
      Sleep(1);
    }
    // Read and write: opening a pipe's writing end alone waits for a reader.
    h->pipe_ = Own(CreateFileW(h->folder_.File(L"jobs").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h->pipe_ || GetFileType(h->pipe_.get()) != FILE_TYPE_PIPE || !h->Send("hello")) return nullptr;
    h->folder_.Release();  // the helper removes it when it ends
    return h;
  }

  const std::wstring& Folder() const { return folder_.Path(); }
  const std::string& UnixFolder() const { return unixFolder_; }
  std::string NextJobName() { return std::to_string(++jobs_); }

  // A line of a few bytes goes into the pipe whole, whoever else writes.
  bool Send(const std::string& line) {
    if (dead_) return false;
    const std::string data = line + "\n";
    DWORD written = 0;
    std::lock_guard<std::mutex> hold(sendLock_);
    if (WriteFile(pipe_.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
        written == data.size())
      return true;
    dead_ = true;
    return false;
  }

  bool Alive() {
    if (!dead_ && !LinuxProcessAlive(pid_)) dead_ = true;
    return !dead_;
  }

  // Found dead, it cannot remove its folder: this side does.
  ~Helper() {
    pipe_.reset();
    if (dead_) folder_.Reclaim();
  }

 private:
  Helper() = default;

  TempFolder folder_;
  std::string unixFolder_;
  UniqueHandle pipe_;  // closed last: the helper ends
  DWORD pid_ = 0;
  std::mutex sendLock_;
  std::atomic<unsigned> jobs_{0};
  std::atomic<bool> dead_{false};
};

namespace {

std::mutex g_helperLock;
std::shared_ptr<Helper> g_helper;
bool g_noHelper = false;  // one could not be started: none is tried again

// The running helper; a new one when the last has ended. A job is handed only
// to a helper seen alive a moment before: a job sent to one that was killed
// meanwhile would never start, and could not be started again safely.
std::shared_ptr<Helper> CurrentHelper() {
  std::lock_guard<std::mutex> hold(g_helperLock);
  if (g_helper && g_helper->Alive()) return g_helper;
  g_helper.reset();
  if (g_noHelper) return nullptr;
  g_helper = Helper::Start();
  g_noHelper = !g_helper;
  return g_helper;
}

}  // namespace

void EndHelper() {
  std::lock_guard<std::mutex> hold(g_helperLock);
  g_helper.reset();
}

LinuxJob::LinuxJob() : helper_(CurrentHelper()) {
  if (helper_) {
    name_ = helper_->NextJobName();
    folder_ = std::make_unique<TempFolder>(helper_->Folder(), Wide(name_));
    if (folder_->Ok()) {
      folder_->Release();
      unixFolder_ = helper_->UnixFolder() + "/" + name_;
      return;
    }
    helper_.reset();
  }
  folder_ = std::make_unique<TempFolder>();
  if (folder_->Ok()) unixFolder_ = UnixPath(folder_->Path());
}

LinuxJob::~LinuxJob() {
  if (helper_ && !helper_->Send("done " + name_)) folder_->Reclaim();
}

bool LinuxJob::Start() {
  // When nothing could be written, the script is started the slow way.
  if (helper_ && helper_->Send("run " + name_)) return true;
  return StartShell(unixFolder_ + "/run.sh", folder_->Path());
}

bool LinuxJob::StarterAlive() const { return !helper_ || helper_->Alive(); }

}  // namespace archiver
