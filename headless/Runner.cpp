#include "Runner.h"

#include "LogTap.h"
#include "Output.h"
#include "Picture.h"
#include "WideText.h"
#include "WindowText.h"

namespace headless {

namespace {

constexpr DWORD kPollMs = 50;
// A Morvel that was told to close and is still there after this is stuck.
constexpr ULONGLONG kCloseLimitMs = 60 * 1000;

enum class StopAsked { No, Close, Now };

// The launcher makes the file on the first Ctrl-C and writes into it on the second.
StopAsked ReadStopFile(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return StopAsked::No;
  return d.nFileSizeLow || d.nFileSizeHigh ? StopAsked::Now : StopAsked::Close;
}

std::vector<std::u16string> U16s(const std::vector<std::wstring>& v) {
  std::vector<std::u16string> out;
  for (const auto& s : v) out.push_back(U16(s));
  return out;
}

}  // namespace

Runner::Runner(RunOptions options, HANDLE process, DWORD pid)
    : options_(std::move(options)), process_(process), pid_(pid), cursor_(BatchPaths(U16s(options_.arguments))) {}

// Result lines are printed as they come. The lines before the batch (the
// library's version) are not results; the log is cleared before the batch.
void Runner::Logged(ULONG_PTR kind, const std::wstring& line) {
  if (kind == kLogCleared) {
    log_.clear();
    return;
  }
  log_.push_back(line);
  if (!IsResultLine(U16(line))) return;
  ClearProgress();
  loggedJob_ = cursor_.Number();
  PrintLine(line);
  ++results_;
  if (IsFailedLine(U16(line))) anyFailed_ = true;
}

bool Runner::WaitForEnd(DWORD ms) {
  const DWORD r = MsgWaitForMultipleObjects(1, &process_, FALSE, ms, QS_ALLINPUT);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  return r == WAIT_OBJECT_0 || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

void Runner::ShowProgress(const MorvelWindows& w) {
  if (!options_.progress) return;
  std::wstring text;
  if (w.main) {
    cursor_.Caption(U16(TextOf(w.main)));
    // A job's caption stays a moment after its line: that job is not shown again.
    if (!cursor_.Name().empty() && cursor_.Number() > 0 && cursor_.Number() != loggedJob_) {
      const std::wstring title = w.progress ? TextOf(w.progress) : L"";
      text = W(ProgressText(cursor_.Number(), cursor_.Count(), U16(title), cursor_.Name()));
    }
  }
  if (text == progressShown_) return;
  progressShown_ = text;
  PrintProgress(text);
}

void Runner::ClearProgress() {
  if (progressShown_.empty()) return;
  progressShown_.clear();
  PrintProgress(L"");
}

void Runner::AnswerBoxes(const MorvelWindows& w) {
  for (HWND box : w.boxes) {
    if (boxesNoted_.insert(box).second) {
      const Box b = ReadBox(box);
      PrintNote(b.caption + L": " + b.text);
    }
    boxSeen_ = true;
    // Pressing OK again would only bring the same message back.
    if (w.options && !stopping_) BeginStop(L"the options dialog did not take its settings; the batch does not run");
    AnswerBox(box);
  }
}

void Runner::BeginStop(const std::wstring& why) {
  if (stopping_) return;
  stopping_ = true;
  stopAt_ = GetTickCount64();
  PrintNote(why);
}

// The close first: once it is asked for, the batch starts no further job. Then
// the job at work is cancelled, which its progress window offers once it is up.
void Runner::KeepStopping(const MorvelWindows& w) {
  const ULONGLONG now = GetTickCount64();
  if (w.main && (closePostedAt_ == 0 || now - closePostedAt_ > 2000)) {
    PostMessageW(w.main, WM_CLOSE, 0, 0);
    closePostedAt_ = now;
  }
  if (w.progress && w.progress != cancelled_) {
    CancelJob(w.progress);
    cancelled_ = w.progress;
  }
  if (ReadStopFile(options_.stopFile) == StopAsked::Now)
    EndAtOnce(L"ended Morvel at once: the settings were not saved, and the job at work may have left its temporary file");
  else if (now - stopAt_ > kCloseLimitMs)
    EndAtOnce(L"Morvel did not end within 60 s of its close; ended it");
}

void Runner::EndAtOnce(const std::wstring& why) {
  PrintNote(why);
  TerminateProcess(process_, 2);
  WaitForSingleObject(process_, 10000);
  endedAtOnce_ = true;
}

int Runner::Go() {
  const ULONGLONG start = GetTickCount64();
  ULONGLONG okPressedAt = 0;
  while (!endedAtOnce_ && !WaitForEnd(kPollMs)) {
    const MorvelWindows w = FindMorvelWindows(pid_);
    ShowProgress(w);
    AnswerBoxes(w);
    if (stopping_) {
      KeepStopping(w);
      continue;
    }
    // The batch runs before the main window first appears: once it is visible, the batch is done.
    if (w.main && IsWindowVisible(w.main)) {
      AfterTheBatch();
      break;
    }
    const ULONGLONG now = GetTickCount64();
    if (w.options && now - okPressedAt > 1000) {
      PressOk(w.options);
      okPressedAt = now;
    }
    if (ReadStopFile(options_.stopFile) != StopAsked::No)
      BeginStop(L"stopping: no further job starts, the job at work is cancelled, the settings are saved");
    else if (TimeIsUp(now - start, options_.timeoutMs))
      BeginStop(L"the time limit has passed; stopping as a close does");
  }
  return Outcome();
}

void Runner::AfterTheBatch() {
  ClearProgress();
  const MorvelWindows w = FindMorvelWindows(pid_);
  if (options_.arguments.empty())
    for (const auto& line : log_) PrintLine(line);  // no batch: the library's version, as the window shows it
  if (w.reasons && anyFailed_) {
    PrintLine(L"[reasons]");
    for (const auto& line : ReasonLines(w.reasons)) PrintLine(line);
  }
  if (!options_.shot.empty()) {
    RedrawWindow(w.main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);  // let the X server finish drawing before the copy
    int width = 0, height = 0;
    const std::vector<unsigned char> pixels = Capture(w.main, width, height);
    WriteBitmap(options_.shot, width, height, pixels);
  }
  // The close saves the settings; a message it shows (a settings file that
  // cannot be written) is answered like any other.
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  const ULONGLONG closedAt = GetTickCount64();
  while (!endedAtOnce_ && !WaitForEnd(kPollMs)) {
    AnswerBoxes(FindMorvelWindows(pid_));
    if (ReadStopFile(options_.stopFile) == StopAsked::Now)
      EndAtOnce(L"ended Morvel at once: the settings were not saved");
    else if (GetTickCount64() - closedAt > kCloseLimitMs)
      EndAtOnce(L"Morvel did not end within 60 s of its close; ended it");
  }
}

int Runner::Outcome() {
  ClearProgress();
  if (endedAtOnce_ || stopping_) return 2;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (code != 0) {
    wchar_t text[64];
    swprintf(text, 64, L"Morvel ended with exit code 0x%lX", static_cast<unsigned long>(code));
    PrintNote(text);
    return 2;
  }
  // Closed by itself after a message and before any job: it could not start.
  if (boxSeen_ && results_ == 0 && cursor_.Count() > 0) return 2;
  return anyFailed_ ? 1 : 0;
}

}  // namespace headless
