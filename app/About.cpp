#include "About.h"

#include <memory>

TMV_ABOUT* MV_ABOUT = nullptr;

namespace {

FormArgs AboutFormArgs() {
  return FormArgs{.caption = L"バージョン情報",
                  .clientWidth = 217,
                  .clientHeight = 136,
                  .border = TBorderStyle::Dialog,
                  .color = clBlack,
                  .font = TFont(L"Tahoma", -11),
                  .snapToScreenEdges = true};
}

}  // namespace

TMV_ABOUT::TMV_ABOUT(TComponent* owner) : TForm(owner, AboutFormArgs()) {
  // The links' stored properties, applied after construction as a loaded
  // layout would be, so they override the label's own blue start.
  struct LinkDef {
    TURLLink* link;
    TURLtype type;
    const wchar_t* link_text;  // a mail link stores the address alone
  };
  const LinkDef links[] = {
      {&L_URL, tpURL, L"https://morvel.example.com/"},
      {&L_EMail, tpMAIL, L"verrin@example.com"},
  };
  for (const LinkDef& def : links) {
    TURLLink& link = *def.link;
    link.SetURLtype(def.type);
    link.SetLink(def.link_text);
    link.OwnFont().Assign(linkFont_);
    link.SetLinkColor(clRed);
    link.Cursor = LoadCursorW(nullptr, IDC_HAND);
    link.SetEnableShowHint(false);
    link.SetHintFormFont(hintFont_);
    link.AdjustSize();
  }
  // White on the form's black.
  for (TCustomLabel* label : {&L_AppName, &Label2, static_cast<TCustomLabel*>(&L_URL), static_cast<TCustomLabel*>(&L_EMail)})
    label->Color = clBlack;

  L_AppName.SetCaption(Application.Title);
  FinishLayout();
}

void ShowAboutBox(TForm* owner) {
  auto box = std::make_unique<TMV_ABOUT>(owner);
  MV_ABOUT = box.get();
  // Declared after box, so it runs first: MV_ABOUT never names a freed box.
  struct ResetGlobal {
    ~ResetGlobal() { MV_ABOUT = nullptr; }
  } reset;
  if (owner) box->SetLeftTop(owner->Left(), owner->Top());
  box->ShowModal();
}
