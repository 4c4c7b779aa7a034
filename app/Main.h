// The main window: the result log, the menu, drops and the command-line batch,
// and the first-show and close sequences around the archiving core.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Forms.h"
#include "JobHost.h"
#include "Listboxex.h"
#include "Shoperation.h"

class TMV_MAIN : public TForm, public JobHost {
 public:
  explicit TMV_MAIN(TComponent* owner);

  void FormShow();
  void FormClose(TCloseAction& action);
  void M_OpenFileClick();
  void M_OpenFolderClick();
  void M_ExitClick();
  void M_OptionClick();
  void M_AboutClick();

  void PrepareOnFirstShow();
  void SaveOnClose();
  void HandleDropFiles(HDROP drop);

  // JobHost: what the jobs use of this window.
  void AppendLog(const std::wstring& line) override { LIST.Add(line); }
  void SetCaption(const std::wstring& text) override { TForm::SetCaption(text); }
  void SetEnabled(bool enabled) override { TForm::SetEnabled(enabled); }
  void ProcessMessages() override { Application.ProcessMessages(); }
  HWND OwnerWindow() override { return Handle(); }
  TSHOperation& Shop() override { return *SHOP; }
  const CompressionSettings& Settings() override;
  bool Closing() const override { return shuttingDown_ || Application.CloseRequested(); }
  int CallLibrary(const std::function<int()>& call) override;

  TListBoxEx LIST{this, L"LIST", {.tabOrder = 0}, 13};
  TMainMenu* MainMenu;
  TOpenDialog* OpenDialog;
  TSHOperation* SHOP;

 protected:
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Runs the paths in order; closes the window afterwards when asked to and no job failed.
  void RunBatch(const std::vector<std::wstring>& paths, bool autoCloseCheck);
  // Sections "Main" and "Option" into the settings file, once per run.
  void StoreSettings();
  bool shuttingDown_ = false;
  bool keepSettingsFile_ = false;  // it could not be read at start
  bool settingsStored_ = false;
};

extern TMV_MAIN* MV_MAIN;
extern bool FirstShow;

// The arguments after the program's own name, as this program splits its command line.
std::vector<std::wstring> CommandLineArguments();
// Where the command line comes from; tests give the window a command line of their own.
extern LPWSTR(WINAPI* ProgramCommandLine)();

// MessageBoxW as a modal run, which a close of the main window waits for.
int WINAPI ModalMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
