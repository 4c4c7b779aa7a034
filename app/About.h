// The About box: the program's title, its maker, the maker's links and a banner.
#pragma once
#include "Controls.h"
#include "Forms.h"
#include "Urllink.h"

class TMV_ABOUT : public TForm {
 public:
  explicit TMV_ABOUT(TComponent* owner);

 private:
  // The layout's fonts; declared first, since the controls below point at them.
  TFont appNameFont_{L"Tahoma", -11, fsBold, DEFAULT_CHARSET, clWhite};
  TFont makerFont_{L"Tahoma", -11, 0, SHIFTJIS_CHARSET, clWhite};
  TFont linkFont_{L"Tahoma", -11, fsUnderline, SHIFTJIS_CHARSET, clWhite};
  TFont hintFont_{L"ＭＳ Ｐゴシック", -12, 0, SHIFTJIS_CHARSET, clWindowText};

 public:
  TCustomLabel L_AppName{this, L"L_AppName", {.bounds = {8, 8, 51, 13}, .caption = L"Morvel", .font = &appNameFont_}};
  TCustomLabel Label2{this, L"Label2", {.bounds = {8, 32, 60, 13}, .caption = L"Verrin", .font = &makerFont_}};
  TURLLink L_URL{this, L"L_URL", {.bounds = {8, 48, 101, 13}, .caption = L"https://morvel.example.com/"}};
  TURLLink L_EMail{this, L"L_EMail", {.bounds = {8, 64, 120, 13}, .caption = L"verrin@example.com"}};
  TImage Image2{this, L"Image2", {.bounds = {8, 88, 200, 40}}, L"BANNER"};
};

// The box while it is shown; null otherwise.
extern TMV_ABOUT* MV_ABOUT;

// What Help > About does: a fresh box owned by owner, at the owner's top-left
// corner, shown modally and destroyed when it closes.
void ShowAboutBox(TForm* owner);
