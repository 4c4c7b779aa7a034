#include "Urllink.h"

// The hint window: a plain borderless form that shows one text. It keeps the
// text it was shown with and paints it again whenever the window is repainted
// (under X a newly mapped window is often exposed after the first drawing).
class TURLLink::THintForm : public TForm {
 public:
  THintForm()
      : TForm(nullptr, FormArgs{.clientWidth = 0,
                                .clientHeight = 0,
                                .border = TBorderStyle::None,
                                .color = clInfoBk,
                                .stayOnTop = true,
                                .toolWindow = true}) {}

  TFont CanvasFont;
  std::wstring Text;

  SIZE Measure() const {
    ScopedGetDC dc(Handle());
    return TextExtent(dc, CanvasFont.Handle(), Text);
  }
  void DrawText(HDC dc) const {
    ScopedSelectObject font(dc, CanvasFont.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(CanvasFont.Color()));
    TextOutW(dc, 2, 2, Text.c_str(), static_cast<int>(Text.size()));
  }

 protected:
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      DrawText(dc);
      EndPaint(Handle(), &ps);
      return 0;
    }
    // The pointer passes through to the form below: moving onto the hint is not leaving the label.
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    return TForm::Dispatch(msg, wParam, lParam);
  }
};

TURLLink::TURLLink(TForm* form, std::wstring name, ControlArgs args)
    : TCustomLabel(form, std::move(name), std::move(args)) {
  // The order matters to a form that sets properties afterwards: blue text, red under the pointer.
  FURLtype = tpURL;
  Cursor = LoadCursorW(nullptr, IDC_HAND);
  FLink = L"http://";
  OwnFont().SetColor(clBlue);
  FLinkColor = clRed;
  showHintForm_ = false;
  FHintOffsetX = 15;
  FHintOffsetY = 15;
  FHintFormColor = clInfoBk;
  FEnableShowHint = true;
  hintForm_ = std::make_unique<THintForm>();
  FHintFormFont = std::make_unique<TFont>();
}

// Out of line: THintForm is complete only here. The hint window and the font go
// before the label itself.
TURLLink::~TURLLink() {
  hintForm_.reset();
  FHintFormFont.reset();
}

TForm& TURLLink::HintForm() const { return *hintForm_; }

void TURLLink::SetURLtype(TURLtype value) {
  if (value == FURLtype) return;
  FURLtype = value;
  Invalidate();
}

void TURLLink::SetLink(const std::wstring& value) {
  if (value == FLink) return;
  FLink = value;
  Invalidate();
}

void TURLLink::SetLinkColor(TColor value) {
  if (value == FLinkColor) return;
  FLinkColor = value;
  Invalidate();
}

void TURLLink::SetHintFormFont(const TFont& value) {
  // The owned font is kept; only its attributes change.
  if (&value == FHintFormFont.get()) return;
  FHintFormFont->Assign(value);
  Invalidate();
}

void TURLLink::SetEnableShowHint(bool value) {
  // Switching it off leaves a hint window on screen until the pointer leaves.
  if (value == FEnableShowHint) return;
  FEnableShowHint = value;
  Invalidate();
}

void TURLLink::SetHintFormColor(TColor value) {
  if (value == FHintFormColor) return;
  FHintFormColor = value;
  Invalidate();
}

void TURLLink::SetHintOffsetX(int value) {
  if (value == FHintOffsetX) return;
  FHintOffsetX = value;
  Invalidate();
}

void TURLLink::SetHintOffsetY(int value) {
  if (value == FHintOffsetY) return;
  FHintOffsetY = value;
  Invalidate();
}

void TURLLink::CMMouseEnter() {
  TCustomLabel::CMMouseEnter();
  FFontColor = OwnFont().Color();
  OwnFont().SetColor(FLinkColor);
  Invalidate();
}

void TURLLink::CMMouseLeave() {
  TCustomLabel::CMMouseLeave();
  OwnFont().SetColor(FFontColor);
  Invalidate();
  HideHint();
}

void TURLLink::MouseMove(UINT, int, int) {
  // Shown once per stay on the label; it does not follow the pointer.
  if (!FEnableShowHint || showHintForm_) return;
  POINT pointer{};
  GetCursorPos(&pointer);
  THintForm& hint = *hintForm_;
  hint.SetColor(FHintFormColor);
  hint.CanvasFont = *FHintFormFont;
  hint.Text = FLink;  // as stored: the hint names no "mailto:"
  const SIZE text = hint.Measure();
  // Borderless, so the window's size is its client size.
  hint.SetBounds(pointer.x + FHintOffsetX, pointer.y + FHintOffsetY, text.cx + 6, text.cy + 3);
  // Not activated: the focus stays where it was.
  ShowWindow(hint.Handle(), SW_SHOWNA);
  {
    ScopedGetDC dc(hint.Handle());
    hint.DrawText(dc);
  }
  showHintForm_ = true;
}

void TURLLink::MouseDown(int button, UINT shift, int x, int y) {
  Invalidate();
  TCustomLabel::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  // Opened on the press itself, so each press of a double click opens once.
  const std::wstring target = FURLtype == tpMAIL ? L"mailto:" + FLink : FLink;
  ShellOpen(nullptr, L"OPEN", target.c_str(), L"", L"", SW_SHOW);
  HideHint();
}

void TURLLink::HideHint() {
  if (!showHintForm_) return;
  ShowWindow(hintForm_->Handle(), SW_HIDE);
  showHintForm_ = false;
}
