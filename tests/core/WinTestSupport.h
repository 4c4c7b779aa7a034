// Shared fixtures of the Windows tests: real folders in the build tree, a real
// window that plays the main window, settings the test can change, the fake
// archiver library's record, and a watcher that answers modal dialogs.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CompressionSettings.h"
#include "JobHost.h"
#include "Shoperation.h"

namespace test {

std::wstring FromUnixPath(const std::string& unix);  // "/a/b" -> "Z:\a\b"
std::wstring ExecutableFolder();                      // with its trailing "\"
std::wstring SystemFolder();                          // without one
std::wstring FakeLibrary(const std::wstring& variant);
std::wstring TrashFiles();  // $HOME/.local/share/Trash/files, from the Windows side
// Empties the trash but keeps its folders: Wine sets them up once per process
// and does not notice when they vanish later.
void EmptyTrash();

// A fresh, empty folder for the running test (ends without "\").
std::wstring FreshFolder();
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::wstring& path);
void SetEnv(const wchar_t* name, const std::wstring& value);  // empty value removes it

// Pumps this thread's messages until done() or the limit; false on timeout.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

// A top-level window of this thread that also records shell notifications.
class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  HWND Handle() const { return hwnd_; }
  std::wstring Caption() const;
  // Folders reported by SHCNE_UPDATEDIR since Watch(), without trailing "\".
  void WatchShellUpdates();
  std::vector<std::wstring> updates;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  ULONG registration_ = 0;
};

class TestForm : public TComponent {
 public:
  explicit TestForm(HWND hwnd) : TComponent(nullptr), hwnd_(hwnd) {}
  HWND WindowHandle() override { return hwnd_; }

 private:
  HWND hwnd_;
};

class TestSettings : public CompressionSettings {
 public:
  std::wstring fileExt = L".zip";
  std::wstring profiles[kProfileCount] = {L"a -tzip -mx=9 -mfb=64 -mpass=4 -r", L"a -tzip -mx=0 -r", L"", L"", L""};
  int profileIndex = 0;
  bool topFolderCompress = false;
  DestFolderMode destFolderMode = DestFolderMode::SameAsSource;
  std::wstring destFolder;
  bool delFile = false;
  DeleteMode deleteMode = DeleteMode::RecycleBin;
  bool autoClose = false;
  HWND owner = nullptr;

  std::wstring FileExt() const override { return fileExt; }
  std::wstring Profile(int index) const override { return profiles[index]; }
  int ProfileIndex() const override { return profileIndex; }
  bool TopFolderCompress() const override { return topFolderCompress; }
  DestFolderMode GetDestFolderMode() const override { return destFolderMode; }
  std::wstring DestFolder() const override { return destFolder; }
  bool DelFile() const override { return delFile; }
  DeleteMode GetDeleteMode() const override { return deleteMode; }
  bool AutoClose() const override { return autoClose; }
  HWND MessageOwner() const override { return owner; }
};

// Plays the main window. Every call is an event; with `watch` set, each event
// also says whether that path existed at the time.
class TestHost : public JobHost {
 public:
  TestHost();
  ~TestHost() override;
  void AppendLog(const std::wstring& line) override;
  void SetCaption(const std::wstring& text) override;
  void SetEnabled(bool enabled) override;
  void ProcessMessages() override;
  HWND OwnerWindow() override { return window.Handle(); }
  TSHOperation& Shop() override { return *shop; }
  const CompressionSettings& Settings() override { return settings; }
  bool Closing() const override { return closing; }
  int CallLibrary(const std::function<int()>& call) override;

  TestWindow window;
  TestForm form;
  TSHOperation* shop;  // owned by form
  TestSettings settings;
  bool closing = false;
  std::function<void()> onProcessMessages;
  std::function<void(const std::wstring&)> onEvent;  // after each event is recorded
  std::wstring watch;
  std::vector<std::wstring> log;
  std::vector<std::wstring> events;

 private:
  void Event(const std::wstring& what);
};

// What the fake library was handed, in call order.
struct FakeCall {
  std::string header;  // "SevenZip size=... enabled=... caption=... length=..." or the entry point's record
  std::string command;
};
class FakeLog {
 public:
  FakeLog();  // points MORVEL_FAKE7Z_LOG at a fresh file
  ~FakeLog();
  std::vector<FakeCall> Calls() const;
  std::vector<std::string> Headers() const;

 private:
  std::wstring path_;
};

// Copies a fake variant to a folder as 7-ZIP32.DLL; unloads and removes it again.
class InstalledLibrary {
 public:
  InstalledLibrary(const std::wstring& variant, const std::wstring& folder);
  ~InstalledLibrary();
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// Message boxes through the seam, answered with IDOK.
struct RecordedBox {
  HWND owner;
  std::wstring text, caption;
  UINT type;
};
extern std::vector<RecordedBox> recordedBoxes;
int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

HWND FindDialog(DWORD thread);  // a visible system dialog (#32770) of that thread, or null

// Waits on another thread for a visible dialog (#32770) of `thread`, hands it
// to `action` (which must end it) and records what it saw. Joins on destruction.
class DialogWatcher {
 public:
  DialogWatcher(DWORD thread, std::function<void(HWND)> action,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
  ~DialogWatcher();
  void Join();
  bool Found() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};
// From another thread: selects a folder in a folder browser and waits until its tree shows it.
void SelectInBrowser(HWND browser, const std::wstring& folder);
std::vector<std::wstring> ChildTexts(HWND dialog, const wchar_t* className);  // texts of child controls

}  // namespace test
