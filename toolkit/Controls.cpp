#include "Controls.h"

#include <commctrl.h>

#include "Forms.h"

namespace {

// An item's text from a list or combo box: its length first, then the text; empty for no such item.
std::wstring ItemText(HWND hwnd, UINT lengthMessage, UINT textMessage, int index) {
  const auto length = SendMessageW(hwnd, lengthMessage, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(hwnd, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

// ---- TControl ----

TControl::TControl(TForm* form, std::wstring name, ControlArgs args)
    : TComponent(form), form_(form), args_(std::move(args)), caption_(args_.caption) {
  Name = std::move(name);
  form_->AddControl(this);
}

TControl::~TControl() {
  form_->RemoveControl(this);
  if (hwnd_) DestroyWindow(hwnd_);
}

RECT TControl::FormRect() const {
  RECT r{args_.bounds.left, args_.bounds.top, args_.bounds.left + args_.bounds.width,
         args_.bounds.top + args_.bounds.height};
  for (const TControl* p = args_.parent; p; p = p->Parent()) OffsetRect(&r, p->Bounds().left, p->Bounds().top);
  return r;
}

void TControl::SetBounds(const TBounds& bounds) {
  if (!hwnd_) Invalidate();  // the old place
  args_.bounds = bounds;
  if (hwnd_) {
    const RECT r = FormRect();
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  } else {
    Invalidate();
  }
}

void TControl::CreateHandle(const wchar_t* windowClass, DWORD style, DWORD exStyle, int heightOverride) {
  const RECT r = FormRect();
  static int nextId = 100;  // unique in the program, so a WM_COMMAND names exactly one control
  id_ = nextId++;
  if (args_.tabOrder >= 0) style |= WS_TABSTOP;
  hwnd_ = CreateWindowExW(exStyle, windowClass, caption_.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                          r.right - r.left, heightOverride >= 0 ? heightOverride : r.bottom - r.top,
                          form_->Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id_)),
                          GetModuleHandleW(nullptr), nullptr);
  ApplyFont();
}

void TControl::SetTabStop(bool stop) {
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

void TControl::ApplyFont() {
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
}

const TFont& TControl::Font() const {
  if (ownFont_) return *ownFont_;
  if (args_.font) return *args_.font;
  return form_->Font();
}

TFont& TControl::OwnFont() {
  if (!ownFont_) ownFont_ = std::make_unique<TFont>(Font());
  return *ownFont_;
}

bool TControl::Enabled() const { return hwnd_ ? IsWindowEnabled(hwnd_) != FALSE : enabled_; }

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
  else Invalidate();
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  else Invalidate();
}

std::wstring TControl::Caption() const {
  if (!hwnd_) return caption_;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void TControl::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (hwnd_) SetWindowTextW(hwnd_, caption.c_str());
  else Invalidate();
}

void TControl::Invalidate() {
  if (hwnd_) {
    InvalidateRect(hwnd_, nullptr, TRUE);
  } else if (form_->Handle()) {
    const RECT r = FormRect();
    InvalidateRect(form_->Handle(), &r, TRUE);
  }
}

void TControl::Notify(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

// ---- the standard controls ----

TButton::TButton(TForm* form, std::wstring name, ControlArgs args) : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"BUTTON", args_.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::Click() {
  if (!Enabled()) return;
  SetFocus(hwnd_);
  SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
}

TGroupBox::TGroupBox(TForm* form, std::wstring name, ControlArgs args)
    : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"BUTTON", BS_GROUPBOX);
  SetTabStop(false);  // its tab order only places its controls; the frame takes no focus
}

TLabel::TLabel(TForm* form, std::wstring name, ControlArgs args) : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"STATIC", SS_LEFT | SS_NOPREFIX);
}

TEdit::TEdit(TForm* form, std::wstring name, ControlArgs args) : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

TComboBox::TComboBox(TForm* form, std::wstring name, ControlArgs args)
    : TControl(form, std::move(name), std::move(args)) {
  // A combo box window's height includes its drop-down list; the selection field sizes itself.
  CreateHandle(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0, 200);
}

int TComboBox::AddItem(const std::wstring& text) {
  return static_cast<int>(SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int TComboBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }

std::wstring TComboBox::Item(int index) const { return ItemText(hwnd_, CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }

int TComboBox::ItemIndex() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int index) {
  SendMessageW(hwnd_, CB_SETCURSEL, index >= 0 && index < Count() ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
}

TCheckBox::TCheckBox(TForm* form, std::wstring name, ControlArgs args)
    : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"BUTTON", BS_AUTOCHECKBOX);
}

bool TCheckBox::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TCheckBox::SetChecked(bool checked) { SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

TRadioButton::TRadioButton(TForm* form, std::wstring name, ControlArgs args)
    : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"BUTTON", BS_AUTORADIOBUTTON);
  SetTabStop(false);  // until it is the checked one of its group
}

bool TRadioButton::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TRadioButton::SetChecked(bool checked) {
  if (checked)
    for (auto* c : form_->Controls())
      if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this && other->Parent() == Parent())
        SendMessageW(other->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  SyncGroupTabStops();
}

void TRadioButton::Notify(WORD code) {
  if (code == BN_CLICKED) SyncGroupTabStops();  // the button has already checked itself
  TControl::Notify(code);
}

void TRadioButton::SyncGroupTabStops() {
  for (auto* c : form_->Controls())
    if (auto* radio = dynamic_cast<TRadioButton*>(c); radio && radio->Parent() == Parent())
      radio->SetTabStop(radio->Checked());
}

TImage::TImage(TForm* form, std::wstring name, ControlArgs args, const wchar_t* bitmapResource)
    : TControl(form, std::move(name), std::move(args)) {
  bitmap_.reset(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), bitmapResource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  CreateHandle(L"STATIC", SS_BITMAP);
  if (bitmap_) SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.get()));
  const SIZE size = PictureSize();
  if (size.cx > 0) SetBounds({args_.bounds.left, args_.bounds.top, size.cx, size.cy});
}

SIZE TImage::PictureSize() const {
  BITMAP bm{};
  if (!bitmap_ || !GetObjectW(bitmap_.get(), sizeof(bm), &bm)) return {0, 0};
  return {bm.bmWidth, bm.bmHeight};
}

// ---- TCustomLabel ----

TCustomLabel::TCustomLabel(TForm* form, std::wstring name, ControlArgs args)
    : TControl(form, std::move(name), std::move(args)) {
  AdjustSize();
}

void TCustomLabel::SetCaption(const std::wstring& caption) {
  TControl::SetCaption(caption);
  AdjustSize();
}

void TCustomLabel::AdjustSize() {
  if (!AutoSize || !form_->Handle()) return;
  ScopedGetDC dc(form_->Handle());
  const SIZE size = TextExtent(dc, Font().Handle(), caption_);
  Invalidate();
  args_.bounds.width = size.cx;
  args_.bounds.height = size.cy;
  Invalidate();
}

void TCustomLabel::Paint(HDC dc) {
  RECT r = FormRect();
  if (!Transparent) {
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color)));
    FillRect(dc, &r, brush.get());
  }
  ScopedSelectObject font(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font().Color() : static_cast<TColor>(clSystemColor | COLOR_GRAYTEXT)));
  DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &r, DT_LEFT | DT_NOPREFIX | DT_SINGLELINE);
}

// ---- TCustomListBox ----

TCustomListBox::TCustomListBox(TForm* form, std::wstring name, ControlArgs args, int itemHeight)
    : TControl(form, std::move(name), std::move(args)) {
  CreateHandle(L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  baseProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TCustomListBox::SubclassProc)));
  SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, itemHeight);
}

TCustomListBox::~TCustomListBox() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProc_));
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  }
}

LRESULT CALLBACK TCustomListBox::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TCustomListBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return DispatchGuarded([&] { return self->Dispatch(msg, wParam, lParam); });
}

LRESULT TCustomListBox::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) { return Inherited(msg, wParam, lParam); }

LRESULT TCustomListBox::Inherited(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(baseProc_, hwnd_, msg, wParam, lParam);
}

void TCustomListBox::Add(const std::wstring& line) {
  SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void TCustomListBox::Clear() { SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }
int TCustomListBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }

std::wstring TCustomListBox::Line(int index) const { return ItemText(hwnd_, LB_GETTEXTLEN, LB_GETTEXT, index); }
