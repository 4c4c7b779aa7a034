// The main window in the test's own process, with a fake archiver library
// beside the test executable and the settings file that belongs to it.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <type_traits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Archiver.h"
#include "Jobs.h"
#include "Main.h"
#include "Option.h"
#include "SettingsFile.h"
#include "WinTestSupport.h"

namespace {


std::wstring commandLine;
inline LPWSTR WINAPI TestCommandLine() { return commandLine.data(); }

inline std::string ReadAll(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

// Left, top, width, height.
inline std::vector<LONG> Bounds(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

inline std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  return bytes;
}

// A drop as the shell makes one: DROPFILES followed by wide names.
inline HGLOBAL MakeDrop(const std::vector<std::wstring>& names) {
  size_t chars = 1;
  for (const auto& n : names) chars += n.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* p = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
  for (const auto& n : names) {
    std::copy(n.begin(), n.end(), p);
    p += n.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

// Presses OK in the options dialog once it is on screen, from another thread
// (the dialog's modal loop runs on the test's thread).
class OptionDialogAnswerer {
 public:
  OptionDialogAnswerer()
      : thread_([this] {
          for (int i = 0; i < 400 && !found_; ++i) {
            HWND dialog = FindWindowW(L"TMorvelForm", L"圧縮設定");
            if (dialog && IsWindowVisible(dialog)) {
              if (HWND ok = FindWindowExW(dialog, nullptr, L"Button", L"OK")) {
                found_ = true;
                PostMessageW(ok, BM_CLICK, 0, 0);
                break;
              }
            }
            Sleep(50);  // polling another thread's window; bounded by the loop
          }
        }) {}
  ~OptionDialogAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  bool Found() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

// Runs steps on this thread from inside whatever modal loop pumps it, one per
// timer tick, so what a step posts is dispatched by that loop before the next
// step runs. A step made with Until is retried each tick until it holds. While
// a system dialog of this thread is up (the folder browser) the script waits:
// a watcher thread answers it. Should the options dialog still be open a while
// after the last step, the script ends its loop with mrCancel, which no OK path
// produces, so a hang becomes a failure.
class ModalScript {
 public:
  struct Step {
    template <class Action, class = std::enable_if_t<!std::is_same_v<std::decay_t<Action>, Step>>>
    Step(Action action) : run([action] { return action(), true; }) {}
    static Step Until(std::function<bool()> done) { return Step(std::move(done), 0); }
    std::function<bool()> run;

   private:
    Step(std::function<bool()> done, int) : run(std::move(done)) {}
  };

  explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &ModalScript::Tick);
  }
  ~ModalScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool AllRan() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* self = current_;
    if (!self || self->running_ || test::FindDialog(GetCurrentThreadId())) return;
    if (self->next_ < self->steps_.size()) {
      self->running_ = true;
      if (self->steps_[self->next_].run()) ++self->next_, self->idleTicks_ = 0;
      self->running_ = false;
    }
    if (++self->idleTicks_ > 150 && MV_OPTION) MV_OPTION->ModalResult = mrCancel;
  }

  static inline ModalScript* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  int idleTicks_ = 0;
  bool running_ = false;
  UINT_PTR timer_ = 0;
};

// The commands SevenZip received, in order (the fake also records its other entry points).
inline std::vector<std::string> Commands(const test::FakeLog& fake) {
  std::vector<std::string> commands;
  for (const auto& call : fake.Calls())
    if (call.header.rfind("SevenZip size=", 0) == 0) commands.push_back(call.command);
  return commands;
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.Title = L"Morvel 100520";
    Application.ShowBox = test::RecordBox;
    ShowMessageBox = test::RecordBox;
    test::recordedBoxes.clear();
    FirstShow = true;
    StartupFailed = false;
    LastJobSucceeded = true;
    ini_ = SettingsFilePath();
    SetFileAttributesW(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(ini_.c_str());
    folder_ = test::FreshFolder();
  }

  void TearDown() override {
    delete MV_MAIN;  // and the options dialog it owns
    MV_MAIN = nullptr;
    UnloadArchiver();
    library_.reset();
    ProgramCommandLine = GetCommandLineW;
    Application.ShowBox = MessageBoxW;
    ShowMessageBox = MessageBoxW;
    // A closed main window asks the loop to end; the next test starts afresh.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    DeleteFileW(ini_.c_str());
  }

  void Start(const std::wstring& arguments, const wchar_t* variant = L"full") {
    library_ = std::make_unique<test::InstalledLibrary>(variant, test::ExecutableFolder());
    commandLine = L"Morvel.exe " + arguments;
    ProgramCommandLine = TestCommandLine;
    MV_MAIN = new TMV_MAIN(&Application);
    Application.MainForm = MV_MAIN;  // as the program's entry makes it
    MV_MAIN->Show();
  }

  // A second run of the program: the first one closed, its settings file kept.
  void Restart(const std::wstring& arguments) {
    delete MV_MAIN;
    MV_MAIN = nullptr;
    UnloadArchiver();
    library_.reset();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    FirstShow = true;
    Start(arguments);
  }

  std::vector<std::wstring> Lines() const {
    std::vector<std::wstring> lines;
    for (int i = 0; i < MV_MAIN->LIST.Count(); ++i) lines.push_back(MV_MAIN->LIST.Line(i));
    return lines;
  }

  std::wstring File(const std::wstring& name, const std::string& bytes = "plain text") {
    const std::wstring path = folder_ + L"\\" + name;
    test::WriteBytes(path, bytes);
    return path;
  }

  std::wstring ini_, folder_;
  std::unique_ptr<test::InstalledLibrary> library_;
};

}  // namespace
