// A label that behaves as a hyperlink: highlighted under the pointer, opened
// with the shell on a left press, optionally with a small window naming its target.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Controls.h"
#include "Forms.h"

enum TURLtype : std::uint8_t { tpURL = 0, tpMAIL = 1 };

class TURLLink : public TCustomLabel {
 public:
  TURLLink(TForm* form, std::wstring name, ControlArgs args);
  ~TURLLink() override;

  TURLtype URLType() const { return FURLtype; }
  const std::wstring& Link() const { return FLink; }
  TColor LinkColor() const { return FLinkColor; }
  const TFont& HintFormFont() const { return *FHintFormFont; }
  bool EnableShowHint() const { return FEnableShowHint; }
  TColor HintFormColor() const { return FHintFormColor; }
  int HintOffsetX() const { return FHintOffsetX; }
  int HintOffsetY() const { return FHintOffsetY; }

  void SetURLtype(TURLtype value);
  void SetLink(const std::wstring& value);
  void SetLinkColor(TColor value);
  void SetHintFormFont(const TFont& value);
  void SetEnableShowHint(bool value);
  void SetHintFormColor(TColor value);
  void SetHintOffsetX(int value);
  void SetHintOffsetY(int value);

  // What the label has open, for the windows that own it and for tests.
  TForm& HintForm() const;
  bool ShowHintForm() const { return showHintForm_; }

  void CMMouseEnter() override;
  void CMMouseLeave() override;
  void MouseMove(UINT shift, int x, int y) override;
  void MouseDown(int button, UINT shift, int x, int y) override;

  // The shell call that opens a target; tests put a recorder here so no browser starts.
  using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  static inline ShellExecuteFn ShellOpen = ShellExecuteW;

 private:
  class THintForm;
  void HideHint();

  std::unique_ptr<THintForm> hintForm_;
  bool showHintForm_ = false;
  TURLtype FURLtype = tpURL;
  std::wstring FLink;
  TColor FFontColor = clBlack;
  TColor FLinkColor = clRed;
  TColor FHintFormColor = clInfoBk;
  int FHintOffsetX = 15;
  int FHintOffsetY = 15;
  bool FEnableShowHint = true;
  std::unique_ptr<TFont> FHintFormFont;
};
