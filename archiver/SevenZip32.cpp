// The entry points of 7-ZIP32.DLL. Each SevenZip call takes the command text
// apart, finds the engine, runs it (showing its progress when it takes long),
// tests the archive it wrote, and reports; a failure's reason also goes to
// the reasons window.
#include "SevenZip32.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "CallMonitor.h"
#include "CommandText.h"
#include "Engine.h"
#include "LinuxStarter.h"
#include "PathText.h"
#include "Reason.h"
#include "ReasonWindow.h"
#include "Utf8.h"
#include "WideText.h"
#include "WinePaths.h"

using namespace archiver;

namespace {

HMODULE g_self = nullptr;
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
  std::string text;  // UTF-8
  std::wstring archive;  // full path, once known
};

Outcome Fail(int code, const std::string& why, std::string engineOutput = {}) {
  return {code, engineOutput + "7-ZIP32.DLL: " + why + "\n", {}};
}

// Told once per process: every later call fails the same way, and its own code says so.
void ReportMissingEngineOnce(HWND owner, const Engine& engine) {
  static bool told = false;
  if (told) return;
  told = true;
  std::wstring how = L"7-Zip のエンジンが見つからないため、圧縮できません。\n";
  if (engine.searched.size() == 1 && engine.searched[0].find(L'\\') == std::wstring::npos &&
      !Env(SEVENZIP32_ENGINE_VARIABLE).empty())
    how += L"環境変数 SEVENZIP32_ENGINE が指すプログラムがありません。\n";
  how += L"Windows では 7-Zip をインストールするか、7z.exe をこのライブラリ (7-ZIP32.DLL) と同じフォルダーに置いてください。";
  if (UnderWine()) how += L"\nLinux では 7zip パッケージ (/usr/bin/7zz) をインストールしてください (例: sudo apt install 7zip)。";
  std::string places = "探した場所:\n";
  for (const std::wstring& p : engine.searched) places += "  " + U8(p) + "\n";
  ReportFailure(owner, L"7-Zip が見つかりません", how, places);
}

const wchar_t* Summary(int code) {
  switch (code) {
    case SEVENZIP32_ENGINE_WARNING:
      return L"7-Zip が警告を報告しました。読めなかった項目はアーカイブに入っていません。";
    case SEVENZIP32_ENGINE_FAILED:
      return L"7-Zip がエラーを報告しました。";
    case SEVENZIP32_CHECK_FAILED:
      return L"書き込んだアーカイブがテストに合格しませんでした。";
    case SEVENZIP32_START_FAILED:
      return L"7-Zip を最後まで実行できませんでした。";
    case SEVENZIP32_BAD_COMMAND:
      return L"このコマンドは 7-Zip に渡せません。";
    default:
      return L"ライブラリの内部エラーです。";
  }
}

// Command texts longer than this are refused rather than read without end.
constexpr size_t kMaxCommand = 1 << 20;

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
  std::wstring archive = FullPath(Wide(cmd.archive));
  if (archive.empty()) return Fail(SEVENZIP32_BAD_COMMAND, "the archive name is not a path: " + cmd.archive);

  Engine engine = FindEngine(g_self);
  if (engine.kind == Engine::Kind::None) {
    ReportMissingEngineOnce(owner, engine);
    return Fail(SEVENZIP32_NO_ENGINE, engine.whyNone);
  }

  std::vector<bool> exact(cmd.names.size(), false);
  if (TakesDiskNames(cmd.command)) {
    std::wstring folder = work.back() == L'\\' ? work : work + L'\\';
    for (size_t i = 0; i < cmd.names.size(); ++i) {
      const std::string& n = cmd.names[i];
      if (n.empty() || HasWildcard(n)) continue;
      exact[i] = Exists(IsAbsoluteWindowsPath(n) ? FullPath(Wide(n)) : folder + Wide(n));
    }
  }

  PathStyle style;
  style.unixSeparators = engine.kind == Engine::Kind::Linux;
  style.absolute = [&](const std::string& p) { return EnginePath(engine, FullPath(Wide(p))); };
  EnginePlan plan;
  if (!BuildEnginePlan(cmd, U8(archive), exact, style, plan, error)) return Fail(SEVENZIP32_BAD_COMMAND, error);

  EngineRun run;
  {
    CallMonitor monitor(owner, W(NamePart(U16(archive))));  // archive is a full path: backslashes only
    run = RunEngine(engine, work, plan, &monitor);
  }
  Outcome o = Outcome{SEVENZIP32_OK, run.output + run.checkOutput, archive};
  if (run.cancelled) {
    // An update is written to the temporary file and only then replaces the
    // archive, so the archive itself is still the old one.
    if (WritesArchive(cmd.command)) {
      // What a cancel must leave as it was: an archive that existed before,
      // and the engine's temporary file beside it if one happened to exist.
      if (!run.archiveExisted) DeleteFileW(archive.c_str());
      if (!run.tempExisted) DeleteFileW((archive + L".tmp").c_str());
    }
    o = Fail(SEVENZIP32_CANCELLED, "cancelled by the user", run.output);
  } else if (!run.completed) {
    o = Fail(SEVENZIP32_START_FAILED, run.failure, run.output);
  } else if (run.exitCode == 1) {
    o = Fail(SEVENZIP32_ENGINE_WARNING, "the engine reported warnings (exit code 1)", o.text);
  } else if (run.exitCode != 0) {
    o = Fail(SEVENZIP32_ENGINE_FAILED, "the engine failed (exit code " + std::to_string(run.exitCode) + ")", o.text);
  } else if (run.checked && run.checkExitCode != 0) {
    o = Fail(SEVENZIP32_CHECK_FAILED,
             "the archive written failed its test (exit code " + std::to_string(run.checkExitCode) + ")", o.text);
  }
  o.archive = archive;
  return o;
}

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
  try {
    Outcome o = Run(owner, command);
    Deliver(o.text, output, size);
    // The user knows why a cancelled job failed; a missing engine is told once.
    if (o.code != SEVENZIP32_OK && o.code != SEVENZIP32_CANCELLED && o.code != SEVENZIP32_NO_ENGINE)
      ReportFailure(owner, o.archive.empty() ? L"7-ZIP32.DLL" : o.archive, Summary(o.code), EngineComplaint(o.text));
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
  try {
    return EngineVersion(FindEngine(g_self));
  } catch (...) {
    return 0;
  }
}

WORD WINAPI SevenZipGetSubVersion() { return kSevenZip32Revision; }

BOOL WINAPI SevenZipSetUnicodeMode(BOOL unicode) {
  g_unicode = unicode != FALSE;
  return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    DisableThreadLibraryCalls(instance);
  }
  // Unloaded while the process goes on: the helper is let go now. At the
  // process's end it sees its pipe close by itself.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) EndHelper();
  return TRUE;
}

}  // extern "C"
