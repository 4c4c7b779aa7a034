// The options dialog: the modal window whose controls are the only store of the
// compression settings. Jobs read the controls at the moment they need a value.
#pragma once
#include "CompressionSettings.h"
#include "Forms.h"
#include "Shoperation.h"

class TMV_OPTION : public TForm, public CompressionSettings {
 public:
  explicit TMV_OPTION(TComponent* owner);
  ~TMV_OPTION() override;  // also when its owner frees it

  // Fills the controls from the settings file's "Option" section; false when the file
  // could not be read (reported, and the controls hold the defaults).
  bool LoadSettings();
  void SaveSettings();  // writes the controls into it and rewrites the file

  // CompressionSettings, read from the controls.
  std::wstring FileExt() const override { return E_Ext.Text(); }
  std::wstring Profile(int index) const override { return CB_Profile.Item(index); }
  int ProfileIndex() const override { return CB_Profile.ItemIndex(); }
  bool TopFolderCompress() const override { return C_TopFolderCompress.Checked(); }
  DestFolderMode GetDestFolderMode() const override {
    return RB_DestFolderMode2.Checked() ? DestFolderMode::SpecifiedFolder : DestFolderMode::SameAsSource;
  }
  std::wstring DestFolder() const override { return E_DestFolder.Text(); }
  bool DelFile() const override { return C_DelFile.Checked(); }
  DeleteMode GetDeleteMode() const override {
    return RB_DeleteMode2.Checked() ? DeleteMode::DeleteDirectly : DeleteMode::RecycleBin;
  }
  bool AutoClose() const override { return C_AutoClose.Checked(); }
  HWND MessageOwner() const override { return Handle(); }

  // Handlers.
  void FormKeyDown(WORD key, UINT shift);
  void B_OKClick();
  void C_DelFileClick();
  void RB_DestFolderSelectClick();
  void B_DestFolderSelectClick();

  // The layout, in tab order within each parent.
  TButton B_OK{this, L"B_OK", {.bounds = {144, 368, 75, 25}, .caption = L"OK", .tabOrder = 0, .isDefault = true}};
  TGroupBox GB1{this, L"GB1", {.bounds = {8, 8, 353, 89}, .caption = L"圧縮設定", .tabOrder = 1}};
  TLabel Label01{this, L"Label01", {.parent = &GB1, .bounds = {8, 24, 36, 13}, .caption = L"拡張子"}};
  TLabel Label02{this, L"Label02", {.parent = &GB1, .bounds = {8, 48, 48, 13}, .caption = L"圧縮設定"}};
  TEdit E_Ext{this, L"E_Ext", {.parent = &GB1, .bounds = {72, 16, 105, 21}, .caption = L".zip", .tabOrder = 0}};
  TComboBox CB_Profile{this, L"CB_Profile", {.parent = &GB1, .bounds = {72, 40, 273, 21}, .tabOrder = 1}};
  TCheckBox C_TopFolderCompress{this, L"C_TopFolderCompress",
                                {.parent = &GB1, .bounds = {72, 64, 273, 17},
                                 .caption = L"フォルダ圧縮時にそのフォルダも書庫に含める", .tabOrder = 2}};
  TGroupBox GB3{this, L"GB3", {.bounds = {8, 200, 353, 97}, .caption = L"出力先", .tabOrder = 2}};
  TRadioButton RB_DestFolderMode1{this, L"RB_DestFolderMode1",
                                  {.parent = &GB3, .bounds = {16, 16, 113, 17}, .caption = L"圧縮元と同じ場所", .tabOrder = 0}};
  TRadioButton RB_DestFolderMode2{this, L"RB_DestFolderMode2",
                                  {.parent = &GB3, .bounds = {16, 40, 113, 17}, .caption = L"指定した場所", .tabOrder = 1}};
  TEdit E_DestFolder{this, L"E_DestFolder", {.parent = &GB3, .bounds = {32, 64, 281, 21}, .tabOrder = 2}};
  TFont SelectButtonFont{L"ＭＳ Ｐゴシック", -16, 0, SHIFTJIS_CHARSET};
  TButton B_DestFolderSelect{this, L"B_DestFolderSelect",
                             {.parent = &GB3, .bounds = {319, 63, 25, 22}, .caption = L".....", .tabOrder = 3,
                              .font = &SelectButtonFont}};
  TGroupBox GB4{this, L"GB4", {.bounds = {8, 304, 353, 41}, .caption = L"その他", .tabOrder = 3}};
  TCheckBox C_AutoClose{this, L"C_AutoClose",
                        {.parent = &GB4, .bounds = {16, 16, 329, 17}, .caption = L"エラーが無ければ圧縮後自動終了する", .tabOrder = 0}};
  TGroupBox GB2{this, L"GB2", {.bounds = {8, 104, 353, 89}, .caption = L"削除設定", .tabOrder = 4}};
  TCheckBox C_DelFile{this, L"C_DelFile",
                      {.parent = &GB2, .bounds = {16, 16, 329, 17}, .caption = L"圧縮成功後は元を削除する", .tabOrder = 0}};
  TRadioButton RB_DeleteMode1{this, L"RB_DeleteMode1", {.parent = &GB2, .bounds = {32, 40, 113, 17}, .caption = L"ごみ箱", .tabOrder = 1}};
  TRadioButton RB_DeleteMode2{this, L"RB_DeleteMode2", {.parent = &GB2, .bounds = {32, 64, 113, 17}, .caption = L"直接削除", .tabOrder = 2}};

  TSHOperation* SHOP;

 protected:
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

extern TMV_OPTION* MV_OPTION;
