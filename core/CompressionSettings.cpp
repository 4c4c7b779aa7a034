#include "CompressionSettings.h"

#include "JobHost.h"

std::wstring CompressionSettings::SelectedProfile() const {
  const int index = ProfileIndex();
  return index >= 0 && index < kProfileCount ? Profile(index) : std::wstring();
}

bool ValidateSettings(const CompressionSettings& settings) {
  if (settings.SelectedProfile().empty()) {
    ShowMessageBox(settings.MessageOwner(), L"選択されている圧縮設定は空です\n違う設定を選んで下さい", L"エラー",
                   MB_OK | MB_ICONERROR);
    return false;
  }
  if (settings.GetDestFolderMode() == DestFolderMode::SpecifiedFolder && settings.DestFolder().empty()) {
    ShowMessageBox(settings.MessageOwner(), L"出力先の指定をして下さい", L"エラー", MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}
