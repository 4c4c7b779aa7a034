// The entry points of 7-ZIP32.DLL. Each SevenZip call takes the command text
// apart, runs it with 7-Zip's engine on a thread of its own (showing its
// progress when it takes long), and reports; a failure's reason also goes to
// the reasons window.
#include "SevenZip32.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "CallMonitor.h"
#include "CommandText.h"
#include "EngineCall.h"
#include "Files.h"
#include "PathText.h"
#include "ReasonWindow.h"
#include "Utf8.h"
#include "WideText.h"

using namespace archiver;

namespace {

// Before SevenZipSetUnicodeMode(TRUE) the texts are in the ANSI code page.
std::atomic<bool> g_unicode{false};

std::string FromAnsi(const char* text, size_t length) {
  if (length == 0) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), w.data(), n);
  return U8(w);
}

std::string ToAnsi(const std::string& utf8) {
  std::wstring w = Wide(utf8);
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string a(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), a.data(), n, nullptr, nullptr);
  return a;
}

std::wstring CurrentFolder() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring d(n, L'\0');
  n = GetCurrentDirectoryW(n, d.data());
  d.resize(n);
  return d;
}

bool IsFolder(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

struct Outcome {
  int code = SEVENZIP32_OK;
  std::string text;      // UTF-8: the engine's words, then the library's line
  std::string said;      // UTF-8: the engine's words alone
  std::wstring archive;  // full path, once known
};

Outcome Fail(int code, const std::string& why) { return {code, "7-ZIP32.DLL: " + why + "\n", {}, {}}; }

int CodeOf(EngineOutcome::Kind kind) {
  using K = EngineOutcome::Kind;
  switch (kind) {
    case K::Ok: return SEVENZIP32_OK;
    case K::Warnings: return SEVENZIP32_ENGINE_WARNING;
    case K::Failed: return SEVENZIP32_ENGINE_FAILED;
    case K::CheckFailed: return SEVENZIP32_CHECK_FAILED;
    case K::BadCommand: return SEVENZIP32_BAD_COMMAND;
    case K::Cancelled: return SEVENZIP32_CANCELLED;
    case K::NoPassword: return SEVENZIP32_NO_PASSWORD;
    default: return SEVENZIP32_INTERNAL;
  }
}

const wchar_t* Summary(int code) {
  switch (code) {
    case SEVENZIP32_ENGINE_WARNING:
      return L"7-Zip が警告を報告しました。読めなかった項目はアーカイブに入っていません。";
    case SEVENZIP32_ENGINE_FAILED:
      return L"7-Zip がエラーを報告しました。";
    case SEVENZIP32_CHECK_FAILED:
      return L"書き込んだアーカイブがテストに合格しませんでした。";
    case SEVENZIP32_BAD_COMMAND:
      return L"このコマンドは 7-Zip に渡せません。";
    case SEVENZIP32_NO_PASSWORD:
      return L"パスワードが必要ですが、コマンドにありません。";
    default:
      return L"ライブラリの内部エラーです。";
  }
}

// Command texts longer than this are refused rather than read without end.
constexpr size_t kMaxCommand = 1 << 20;

// The engine's work, on a thread of its own so that the caller's keeps its
// windows painted; everything it needs lives in the caller's frame, which
// waits for it.
struct EngineJob {
  std::vector<std::wstring> args;
  std::wstring base;
  CallState state;
  EngineOutcome outcome;

  // On 32-bit x86 a new thread's stack is aligned to 4 bytes only, and the
  // engine's SSE code needs 16: the entry point realigns it.
#if defined(__GNUC__) && defined(__i386__)
  __attribute__((force_align_arg_pointer))
#endif
  static DWORD WINAPI Main(void* p) {
    auto* job = static_cast<EngineJob*>(p);
    job->outcome = RunEngineCommand(job->args, job->base, job->state);
    return 0;
  }
};

Outcome Run(HWND owner, const char* command) {
  if (!command) return Fail(SEVENZIP32_BAD_COMMAND, "no command text");
  size_t length = strnlen(command, kMaxCommand);
  if (length == kMaxCommand) return Fail(SEVENZIP32_BAD_COMMAND, "the command text is too long");
  std::string text = g_unicode ? std::string(command, length) : FromAnsi(command, length);

  std::vector<std::string> args;
  std::string error;
  ParsedCommand cmd;
  if (!SplitCommandText(text, args, error) || !ParseCommand(args, cmd, error))
    return Fail(SEVENZIP32_BAD_COMMAND, error);

  // The names are relative to the base folder; an empty one, or none, is the
  // caller's current folder.
  std::wstring work = CurrentFolder();
  if (cmd.hasBase && !cmd.base.empty()) work = FullPath(Wide(cmd.base));
  if (work.empty() || !IsFolder(work)) return Fail(SEVENZIP32_BAD_COMMAND, "the base folder does not exist: " + cmd.base);
  if (work.back() != L'\\') work += L'\\';
  std::wstring archive = FullPath(Wide(cmd.archive));
  if (archive.empty()) return Fail(SEVENZIP32_BAD_COMMAND, "the archive name is not a path: " + cmd.archive);

  std::vector<bool> exact(cmd.names.size(), false);
  if (TakesDiskNames(cmd.command)) {
    for (size_t i = 0; i < cmd.names.size(); ++i) {
      const std::string& n = cmd.names[i];
      if (n.empty() || HasWildcard(n)) continue;
      exact[i] = Exists(IsAbsoluteWindowsPath(n) ? FullPath(Wide(n)) : work + Wide(n));
    }
  }
  PathStyle style;
  style.absolute = [](const std::string& p) { return U8(FullPath(Wide(p))); };
  style.relative = [&](const std::string& p) { return U8(FullPath(work + Wide(p))); };
  EnginePlan plan;
  if (!BuildEnginePlan(cmd, U8(archive), exact, style, plan, error)) return Fail(SEVENZIP32_BAD_COMMAND, error);

  EngineJob job;
  for (const std::string& a : plan.main) job.args.push_back(Wide(a));
  job.base = work;
  HANDLE thread = CreateThread(nullptr, 0, &EngineJob::Main, &job, 0, nullptr);
  if (!thread) return Fail(SEVENZIP32_INTERNAL, "no thread for the engine");
  {
    CallMonitor monitor(owner, W(NamePart(U16(archive))), job.state);  // archive is a full path: backslashes only
    while (!monitor.Wait(thread, 50)) {
    }
  }
  CloseHandle(thread);

  const EngineOutcome& r = job.outcome;
  Outcome o;
  o.code = CodeOf(r.kind);
  o.archive = r.archive.empty() ? archive : r.archive;
  o.said = U8(r.said);
  o.text = o.said + U8(r.listing);
  // The console's closing words, or the library's line on what went wrong.
  o.text += o.code == SEVENZIP32_OK ? std::string("Everything is Ok\n") : "7-ZIP32.DLL: " + U8(r.why) + "\n";
  return o;
}

// One call at a time in the process: the engine's parser keeps its switches
// in globals. Another thread's call waits for the end of this one; a call
// from inside a call, made by a window procedure that the call's message
// handling ran, is refused at once, since it would wait for itself.
std::mutex g_callLock;
thread_local bool t_inCall = false;

// Cut to the size given, never inside a character, and always terminated.
void Deliver(const std::string& utf8, LPSTR out, DWORD size) {
  if (!out || size == 0) return;
  std::string text = g_unicode ? utf8 : ToAnsi(utf8);
  size_t room = size - 1;
  size_t n;
  if (g_unicode) {
    n = Utf8CutPoint(text, room);
  } else {
    n = 0;
    while (n < text.size()) {
      size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[n])) ? 2 : 1;
      if (n + step > room || n + step > text.size()) break;
      n += step;
    }
  }
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

extern "C" {

int WINAPI SevenZip(HWND owner, LPCSTR command, LPSTR output, DWORD size) {
  if (t_inCall) {
    Deliver("7-ZIP32.DLL: called from inside a call\n", output, size);
    return SEVENZIP32_IN_CALL;
  }
  try {
    std::lock_guard<std::mutex> one(g_callLock);
    t_inCall = true;
    struct Leave {
      ~Leave() { t_inCall = false; }
    } leave;
    Outcome o = Run(owner, command);
    Deliver(o.text, output, size);
    // The user knows why a cancelled job failed.
    if (o.code != SEVENZIP32_OK && o.code != SEVENZIP32_CANCELLED)
      ReportFailure(owner, o.archive.empty() ? L"7-ZIP32.DLL" : o.archive, Summary(o.code),
                    o.said.empty() ? o.text : o.said);
    return o.code;
  } catch (const std::bad_alloc&) {
    if (output && size > 0) output[0] = '\0';
    return SEVENZIP32_INTERNAL;
  } catch (...) {
    try {
      Deliver("7-ZIP32.DLL: internal error\n", output, size);
    } catch (...) {
      if (output && size > 0) output[0] = '\0';
    }
    return SEVENZIP32_INTERNAL;
  }
}

WORD WINAPI SevenZipGetVersion() {
  static const WORD version = EngineVersion();
  return version;
}

WORD WINAPI SevenZipGetSubVersion() { return kSevenZip32Revision; }

BOOL WINAPI SevenZipSetUnicodeMode(BOOL unicode) {
  g_unicode = unicode != FALSE;
  return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

}  // extern "C"
