#include "Main.h"

#include <shellapi.h>

#include <algorithm>

#include "About.h"
#include "Archiver.h"
#include "CommandLine.h"
#include "Jobs.h"
#include "Option.h"
#include "PathText.h"
#include "SettingsFile.h"
#include "WideText.h"

TMV_MAIN* MV_MAIN = nullptr;
bool FirstShow = true;
LPWSTR(WINAPI* ProgramCommandLine)() = GetCommandLineW;

namespace {

constexpr char16_t kSection[] = u"Main";

}  // namespace

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  const auto items = SplitCommandLine(U16(ProgramCommandLine()));
  for (size_t i = 1; i < items.size(); ++i) arguments.push_back(W(items[i]));
  return arguments;
}

TMV_MAIN::TMV_MAIN(TComponent* owner)
    : TForm(owner, {.caption = L"TMV_MAIN",
                    .clientWidth = 300,
                    .clientHeight = 300,
                    .border = TBorderStyle::Sizeable,
                    .font = TFont(L"Tahoma", -11),
                    .snapToScreenEdges = true}) {
  LIST.AlignClient = true;
  MainMenu = new TMainMenu(this, {
                                     {L"M_File", L"", L"ファイル(&F)"},
                                     {L"M_OpenFile", L"M_File", L"ファイルを開く(&O)", 'O', [this] { M_OpenFileClick(); }},
                                     {L"M_OpenFolder", L"M_File", L"フォルダを開く(&F)", 'F', [this] { M_OpenFolderClick(); }},
                                     {L"M_N01", L"M_File", L"-"},
                                     {L"M_Exit", L"M_File", L"終了(&X)", 0, [this] { M_ExitClick(); }},
                                     {L"M_Setting", L"", L"設定(&S)"},
                                     {L"M_Option", L"M_Setting", L"動作設定(&O)", 0, [this] { M_OptionClick(); }},
                                     {L"M_Help", L"", L"ヘルプ(&H)"},
                                     {L"M_About", L"M_Help", L"バージョン情報(&A)", 0, [this] { M_AboutClick(); }},
                                 });
  MainMenu->Name = L"MainMenu";
  OpenDialog = new TOpenDialog(this);
  OpenDialog->Name = L"OpenDialog";
  OpenDialog->Title = L"圧縮するファイルを開く";
  OpenDialog->Filter = L"全てのファイル (*.*)|*.*";
  OpenDialog->DefaultExt = L"*";
  OpenDialog->AllowMultiSelect = true;
  OpenDialog->HideReadOnly = true;
  OpenDialog->EnableSizing = true;
  SHOP = new TSHOperation(this);
  SHOP->Name = L"SHOP";
  SHOP->Title = L"圧縮先のフォルダを選択してください";
  SHOP->Flags = 65;
  FinishLayout();
  // The layout's client size is replaced by the saved outer size at first show.
  RECT rc;
  GetClientRect(Handle(), &rc);
  MoveWindow(LIST.Handle(), 0, 0, rc.right, rc.bottom, FALSE);

  OnShow = [this] { FormShow(); };
  OnClose = [this](TCloseAction& action) { FormClose(action); };

  TForm::SetCaption(Application.Title);
  DragAcceptFiles(Handle(), TRUE);
}

const CompressionSettings& TMV_MAIN::Settings() { return *MV_OPTION; }

int WINAPI ModalMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  TModalRun run(EndSystemDialogs);
  return MessageBoxW(owner, text, caption, type);
}

int TMV_MAIN::CallLibrary(const std::function<int()>& call) {
  TModalRun run;  // nothing can end it early: the close waits for the library
  return call();
}

LRESULT TMV_MAIN::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DROPFILES:
      HandleDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing to ask: the settings are saved whatever else is up
    case WM_ENDSESSION:
      if (wParam) {
        // The process may end as soon as this returns, before modal runs on the stack can
        // unwind: save now, then close the usual way once they have.
        if (Application.InModalRun() && !StartupFailed) StoreSettings();
        Close();
      }
      return 0;
  }
  return TForm::Dispatch(msg, wParam, lParam);
}

void TMV_MAIN::FormShow() {
  if (!FirstShow) return;
  PrepareOnFirstShow();
  if (StartupFailed) {
    Close();
    return;
  }
  const std::vector<std::wstring> arguments = CommandLineArguments();
  if (!arguments.empty()) {
    std::wstring first = arguments[0];
    CharLowerBuffW(first.data(), static_cast<DWORD>(first.size()));
    const bool quiet = first == L"/n";
    if (!quiet) M_OptionClick();
    LIST.Clear();
    // Windows takes '/' as a separator too, but the path helpers know only
    // '\' and ':': read as it stands, "Z:/data/a.txt" would make the drive the
    // base folder and the engine pack all of it.
    std::vector<std::wstring> paths(arguments.begin() + (quiet ? 1 : 0), arguments.end());
    for (std::wstring& path : paths) std::replace(path.begin(), path.end(), L'/', L'\\');
    RunBatch(paths, true);
  }
  FirstShow = false;
}

void TMV_MAIN::PrepareOnFirstShow() {
  LoadArchiver(*this);
  if (StartupFailed) return;
  const std::optional<IniImage> read = ReadSettingsFileReported();
  keepSettingsFile_ = !read;
  const IniImage ini = read.value_or(IniImage{});
  SetBounds(ini.ReadInteger(kSection, u"X", 100), ini.ReadInteger(kSection, u"Y", 100),
            ini.ReadInteger(kSection, u"W", 300), ini.ReadInteger(kSection, u"H", 300));
  SHOP->Root = W(ini.ReadString(kSection, u"Dir", u""));
  OpenDialog->InitialDir = SHOP->Root;
  MV_OPTION = new TMV_OPTION(this);
  if (!MV_OPTION->LoadSettings()) keepSettingsFile_ = true;
}

void TMV_MAIN::RunBatch(const std::vector<std::wstring>& paths, bool autoCloseCheck) {
  bool anyFailed = false;
  for (const auto& path : paths) {
    if (shuttingDown_) return;  // the library and the settings are gone
    const std::optional<bool> result = ProcessPath(*this, path);
    if (result && !*result) anyFailed = true;
  }
  // "Close when there were no errors": a failure earlier in the batch keeps the window open.
  if (autoCloseCheck && !shuttingDown_ && !anyFailed && LastJobSucceeded && MV_OPTION->AutoClose()) Close();
}

void TMV_MAIN::HandleDropFiles(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (!shuttingDown_ && MV_OPTION && ValidateSettings(*MV_OPTION)) {
    std::vector<std::wstring> paths;
    for (UINT i = 0; i < count; ++i) {
      // Each name at its real length: a name cut to the usual 260 units could name another file.
      const UINT length = DragQueryFileW(drop, i, nullptr, 0);
      std::wstring name(static_cast<size_t>(length) + 1, L'\0');
      name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
      paths.push_back(std::move(name));
    }
    LIST.Clear();
    RunBatch(paths, true);
  }
  DragFinish(drop);
}

void TMV_MAIN::M_OpenFileClick() {
  if (!OpenDialog->Execute() || OpenDialog->Files.Count() == 0) return;
  SHOP->Root = W(FolderPart(U16(OpenDialog->Files[0])));
  OpenDialog->InitialDir = SHOP->Root;
  std::vector<std::wstring> paths(OpenDialog->Files.begin(), OpenDialog->Files.end());
  RunBatch(paths, false);
}

void TMV_MAIN::M_OpenFolderClick() {
  if (!SHOP->BrowseFolder()) return;
  SHOP->Root = SHOP->FolderName;
  OpenDialog->InitialDir = SHOP->FolderName;
  RunBatch({SHOP->FolderName}, false);
}

void TMV_MAIN::M_ExitClick() { Close(); }

void TMV_MAIN::M_OptionClick() {
  if (!MV_OPTION) return;
  MV_OPTION->SetLeftTop(Left(), Top());
  MV_OPTION->ShowModal();
}

void TMV_MAIN::M_AboutClick() { ShowAboutBox(this); }

void TMV_MAIN::FormClose(TCloseAction&) { SaveOnClose(); }

void TMV_MAIN::SaveOnClose() {
  if (StartupFailed) return;
  shuttingDown_ = true;
  UnloadArchiver();
  StoreSettings();
  delete MV_OPTION;
  MV_OPTION = nullptr;
}

void TMV_MAIN::StoreSettings() {
  // A file that could not be read at start is still the user's: this session's
  // defaults must not replace it.
  if (settingsStored_ || keepSettingsFile_) return;
  settingsStored_ = true;
  try {
    IniImage ini = ReadSettingsFile();
    const RECT bounds = BoundsRect();
    ini.WriteInteger(kSection, u"X", bounds.left);
    ini.WriteInteger(kSection, u"Y", bounds.top);
    ini.WriteInteger(kSection, u"W", bounds.right - bounds.left);
    ini.WriteInteger(kSection, u"H", bounds.bottom - bounds.top);
    ini.WriteString(kSection, u"Dir", U16(SHOP->Root));
    StoreSettingsFile(ini);
    if (MV_OPTION) MV_OPTION->SaveSettings();
  } catch (const Exception& e) {
    // Reported; the close still ends the program, with nothing further written.
    Application.ShowException(e);
  }
}
