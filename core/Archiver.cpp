#include "Archiver.h"

#include <string>

#include "JobHost.h"
#include "PathText.h"
#include "VersionText.h"
#include "WideText.h"

HMODULE ArchiverModule = nullptr;
bool StartupFailed = false;
MessageBoxFunction ShowMessageBox = MessageBoxW;

namespace {

constexpr wchar_t kLibraryName[] = L"7-ZIP32.DLL";

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try again with room to spare
  }
}

void Refuse(JobHost& host, const wchar_t* text) {
  ShowMessageBox(host.OwnerWindow(), text, L"エラー", MB_OK | MB_ICONERROR);
  StartupFailed = true;
}

}  // namespace

void LoadArchiver(JobHost& host) {
  wchar_t systemFolder[MAX_PATH] = {};
  GetSystemDirectoryW(systemFolder, MAX_PATH);

  // Beside the executable first, so a private copy always wins over a shared one.
  ArchiverModule = LoadLibraryW((W(FolderPart(U16(ExecutablePath()))) + kLibraryName).c_str());
  if (!ArchiverModule)
    ArchiverModule = LoadLibraryW((std::wstring(systemFolder) + L"\\" + kLibraryName).c_str());
  if (!ArchiverModule) {
    Refuse(host, L"7-ZIP32.DLLをロードできません");
    return;
  }

  const auto getVersion = ArchiverEntry<SevenZipVersionFunction>(ArchiverModule, "SevenZipGetVersion");
  const auto getSubVersion = ArchiverEntry<SevenZipVersionFunction>(ArchiverModule, "SevenZipGetSubVersion");
  const auto setUnicodeMode =
      ArchiverEntry<SevenZipSetUnicodeModeFunction>(ArchiverModule, "SevenZipSetUnicodeMode");
  const auto altGetVersion = ArchiverEntry<SevenZipVersionFunction>(ArchiverModule, "AltSevenZipGetVersion");
  const auto altGetSubVersion =
      ArchiverEntry<SevenZipVersionFunction>(ArchiverModule, "AltSevenZipGetSubVersion");

  // Without the version queries we would call through a null pointer: such a
  // library is treated like one from before the UTF-8 mode.
  if (!setUnicodeMode || !getVersion || !getSubVersion) {
    Refuse(host, L"UNICODE対応前の7-ZIP32.DLLは使用できません");
    UnloadArchiver();
    return;
  }

  setUnicodeMode(TRUE);
  const WORD subVersion = getSubVersion();
  const WORD version = getVersion();
  host.AppendLog(L"7-ZIP32.DLL " + W(VersionText(version, subVersion)));
  // An alternate version without its sub-version is half a number: leave the line out.
  if (altGetVersion && altGetSubVersion) {
    const WORD altSubVersion = altGetSubVersion();
    const WORD altVersion = altGetVersion();
    host.AppendLog(L"Alternate Version " + W(VersionText(altVersion, altSubVersion)));
  }
}

void UnloadArchiver() {
  if (ArchiverModule) FreeLibrary(ArchiverModule);
  ArchiverModule = nullptr;
}
