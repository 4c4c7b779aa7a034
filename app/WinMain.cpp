// The program's entry.
#include <windows.h>

#include "Archiver.h"
#include "JobHost.h"
#include "Main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    Application.Initialize();
    ShowMessageBox = ModalMessageBox;
    Application.Title = L"Morvel 100520";
    MV_MAIN = new TMV_MAIN(&Application);
    Application.MainForm = MV_MAIN;
    Application.Run();
  } catch (...) {
    // Anything that is not the toolkit's exception is shown with an empty message.
    Application.HandleException();
  }
  delete MV_MAIN;
  MV_MAIN = nullptr;
  return 0;
}
