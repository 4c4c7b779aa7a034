// Under Wine: how the scripts of a Linux engine's job are started. Every
// process Wine starts costs 4 to 7 ms, more than the rest of a call, so a
// resident bash helper, started once per process, starts them instead; it
// ends when the library lets go of it or its process ends. Where bash or the
// helper cannot run, each script gets a /bin/sh of its own as before.
// Windows only.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "Files.h"

namespace archiver {

// Starts /bin/sh on a script through Wine; false when Wine cannot.
bool StartShell(const std::string& scriptUnixPath, const std::wstring& folder);

class Helper;

// One job's private folder and the way its scripts (in that folder) are started.
class LinuxJob {
 public:
  LinuxJob();   // a job of the helper when it runs, else a folder of its own
  ~LinuxJob();  // the helper removes its jobs' folders itself; this side removes its own
  LinuxJob(const LinuxJob&) = delete;
  LinuxJob& operator=(const LinuxJob&) = delete;

  bool Ok() const { return folder_ && folder_->Ok(); }
  const TempFolder& Folder() const { return *folder_; }
  const std::string& UnixFolder() const { return unixFolder_; }
  bool Start();  // the folder's run.sh
  // False once the helper that was to start the job has ended: nothing it was
  // asked to start runs any more.
  bool StarterAlive() const;

 private:
  std::shared_ptr<Helper> helper_;
  std::string name_;  // the job's name in the helper's folder
  std::unique_ptr<TempFolder> folder_;
  std::string unixFolder_;
};

// Lets the helper go (the library is being unloaded): it ends once what it
// started has.
void EndHelper();

}  // namespace archiver
