#include "Option.h"

#include "SettingsFile.h"
#include "WideText.h"

TMV_OPTION* MV_OPTION = nullptr;

namespace {

constexpr char16_t kSection[] = u"Option";
constexpr const char16_t* kProfileKeys[CompressionSettings::kProfileCount] = {
    u"7zCommandLine", u"7zCommandLine2", u"7zCommandLine3", u"7zCommandLine4", u"7zCommandLine5"};
constexpr const char16_t* kProfileDefaults[CompressionSettings::kProfileCount] = {
    u"a -tzip -mx=9 -mfb=64 -mpass=4 -r", u"a -tzip -mx=0 -r", u"", u"", u""};

}  // namespace

TMV_OPTION::TMV_OPTION(TComponent* owner)
    : TForm(owner, {.caption = L"圧縮設定",
                    .clientWidth = 371,
                    .clientHeight = 403,
                    .border = TBorderStyle::DialogNoSystemMenu,
                    .font = TFont(L"Tahoma", -11),
                    .snapToScreenEdges = true,
                    .snapEveryMove = true}) {
  SHOP = new TSHOperation(this);
  SHOP->Name = L"SHOP";
  SHOP->Title = L"出力先のフォルダを選択してください";
  SHOP->Flags = 65;
  FinishLayout();

  OnKeyDown = [this](WORD key, UINT shift) { FormKeyDown(key, shift); };
  B_OK.OnClick = [this] { B_OKClick(); };
  C_DelFile.OnClick = [this] { C_DelFileClick(); };
  RB_DestFolderMode1.OnClick = [this] { RB_DestFolderSelectClick(); };
  RB_DestFolderMode2.OnClick = [this] { RB_DestFolderSelectClick(); };
  B_DestFolderSelect.OnClick = [this] { B_DestFolderSelectClick(); };
}

TMV_OPTION::~TMV_OPTION() {
  if (MV_OPTION == this) MV_OPTION = nullptr;
}

bool TMV_OPTION::LoadSettings() {
  const std::optional<IniImage> read = ReadSettingsFileReported();
  const IniImage ini = read.value_or(IniImage{});
  SetLeftTop(ini.ReadInteger(kSection, u"X", 300), ini.ReadInteger(kSection, u"Y", 300));
  E_Ext.SetText(W(ini.ReadString(kSection, u"FileExt", u".zip")));
  if (ini.ReadBool(kSection, u"DelFile", false)) C_DelFile.SetChecked(true);
  if (ini.ReadBool(kSection, u"TopFolderCompress", false)) C_TopFolderCompress.SetChecked(true);
  for (int i = 0; i < kProfileCount; ++i) CB_Profile.AddItem(W(ini.ReadString(kSection, kProfileKeys[i], kProfileDefaults[i])));
  CB_Profile.SetItemIndex(ini.ReadInteger(kSection, u"7zCommandLineSelect", 0));
  E_DestFolder.SetText(W(ini.ReadString(kSection, u"DestFolder", u"")));
  C_AutoClose.SetChecked(ini.ReadBool(kSection, u"AutoClose", false));
  (ini.ReadInteger(kSection, u"DeleteMode", 1) == 2 ? RB_DeleteMode2 : RB_DeleteMode1).SetChecked(true);
  (ini.ReadInteger(kSection, u"DestFolderMode", 1) == 2 ? RB_DestFolderMode2 : RB_DestFolderMode1).SetChecked(true);
  C_DelFileClick();
  RB_DestFolderSelectClick();
  return read.has_value();
}

void TMV_OPTION::SaveSettings() {
  IniImage ini = ReadSettingsFile();
  ini.WriteInteger(kSection, u"X", Left());
  ini.WriteInteger(kSection, u"Y", Top());
  ini.WriteString(kSection, u"FileExt", U16(E_Ext.Text()));
  ini.WriteBool(kSection, u"DelFile", C_DelFile.Checked());
  ini.WriteBool(kSection, u"TopFolderCompress", C_TopFolderCompress.Checked());
  for (int i = 0; i < kProfileCount; ++i) ini.WriteString(kSection, kProfileKeys[i], U16(CB_Profile.Item(i)));
  ini.WriteInteger(kSection, u"7zCommandLineSelect", CB_Profile.ItemIndex());
  ini.WriteString(kSection, u"DestFolder", U16(E_DestFolder.Text()));
  ini.WriteBool(kSection, u"AutoClose", C_AutoClose.Checked());
  ini.WriteInteger(kSection, u"DeleteMode", RB_DeleteMode2.Checked() ? 2 : 1);
  ini.WriteInteger(kSection, u"DestFolderMode", RB_DestFolderMode2.Checked() ? 2 : 1);
  StoreSettingsFile(ini);
}

LRESULT TMV_OPTION::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  // The dialog closes only through OK, which validates: a close from outside
  // (Alt+F4, the system's close command, another program) is taken as OK, once
  // the dialog's own folder browser or message is gone (a disabled dialog
  // takes no close). The main window's close ends the modal run its own way.
  if (msg == WM_CLOSE && Modal() && !Application.CloseRequested()) {
    if (IsWindowEnabled(Handle())) B_OKClick();
    return 0;
  }
  return TForm::Dispatch(msg, wParam, lParam);
}

void TMV_OPTION::FormKeyDown(WORD key, UINT) {
  if (key == VK_ESCAPE) B_OKClick();
}

void TMV_OPTION::B_OKClick() {
  if (ValidateSettings(*this)) ModalResult = mrOk;
}

void TMV_OPTION::C_DelFileClick() {
  const bool enabled = C_DelFile.Checked();
  RB_DeleteMode1.SetEnabled(enabled);
  RB_DeleteMode2.SetEnabled(enabled);
}

void TMV_OPTION::RB_DestFolderSelectClick() {
  const bool enabled = !RB_DestFolderMode1.Checked();
  E_DestFolder.SetEnabled(enabled);
  B_DestFolderSelect.SetEnabled(enabled);
}

void TMV_OPTION::B_DestFolderSelectClick() {
  SHOP->Root = E_DestFolder.Text();
  if (SHOP->BrowseFolder()) E_DestFolder.SetText(SHOP->FolderName);
}
