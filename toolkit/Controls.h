// The controls the program's windows are built from. A form lists its controls
// as members, each made from a small argument struct that reads like the layout:
//   TButton B_OK{this, L"B_OK", {.bounds = {144, 368, 75, 25}, .caption = L"OK", .tabOrder = 0}};
// Controls inside a group box give positions relative to it; their windows are
// children of the form (as in a dialog template), so notifications reach the form.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "Component.h"
#include "Graphics.h"

class TForm;
class TControl;

struct TBounds {
  int left = 0, top = 0, width = 0, height = 0;
};

struct ControlArgs {
  TControl* parent = nullptr;  // a group box, or null for the form itself
  TBounds bounds;
  std::wstring caption;
  int tabOrder = -1;           // within the parent; -1 for controls that take no focus
  const TFont* font = nullptr; // null: the form's font
  bool isDefault = false;      // push buttons: Enter activates it
};

class TControl : public TComponent {
 public:
  TControl(TForm* form, std::wstring name, ControlArgs args);
  ~TControl() override;

  TForm& Form() const { return *form_; }
  TControl* Parent() const { return args_.parent; }
  int TabOrder() const { return args_.tabOrder; }
  HWND Handle() const { return hwnd_; }          // null for controls without a window
  int Id() const { return id_; }
  // Bounds relative to the parent, and in the form's client area.
  const TBounds& Bounds() const { return args_.bounds; }
  RECT FormRect() const;
  void SetBounds(const TBounds& bounds);

  bool Enabled() const;
  virtual void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  std::wstring Caption() const;
  virtual void SetCaption(const std::wstring& caption);
  const TFont& Font() const;
  TFont& OwnFont();  // the control's own font, created from the form's at first use
  void Invalidate();

  std::function<void()> OnClick;

  // Called by the form: a WM_COMMAND notification, and painting for windowless controls.
  virtual void Notify(WORD code);
  virtual void Paint(HDC) {}
  virtual bool IsRadio() const { return false; }
  virtual bool IsPushButton() const { return false; }
  bool IsDefault() const { return args_.isDefault; }

 protected:
  void CreateHandle(const wchar_t* windowClass, DWORD style, DWORD exStyle = 0, int heightOverride = -1);
  void ApplyFont();
  void SetTabStop(bool stop);

  TForm* form_;
  ControlArgs args_;
  HWND hwnd_ = nullptr;
  int id_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  std::wstring caption_;  // windowless controls keep their caption here
  std::unique_ptr<TFont> ownFont_;
};

class TButton : public TControl {
 public:
  TButton(TForm* form, std::wstring name, ControlArgs args);
  bool IsPushButton() const override { return true; }
  void Click();  // as a press would: focus and BN_CLICKED
};

class TGroupBox : public TControl {
 public:
  TGroupBox(TForm* form, std::wstring name, ControlArgs args);
};

// A caption in a static window (for captions inside group boxes).
class TLabel : public TControl {
 public:
  TLabel(TForm* form, std::wstring name, ControlArgs args);
};

class TEdit : public TControl {
 public:
  TEdit(TForm* form, std::wstring name, ControlArgs args);
  std::wstring Text() const { return Caption(); }
  void SetText(const std::wstring& text) { SetCaption(text); }
};

// A drop-down list without typing.
class TComboBox : public TControl {
 public:
  TComboBox(TForm* form, std::wstring name, ControlArgs args);
  int AddItem(const std::wstring& text);
  int Count() const;
  std::wstring Item(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);  // outside 0..Count-1 leaves no item selected
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TForm* form, std::wstring name, ControlArgs args);
  bool Checked() const;
  void SetChecked(bool checked);
};

// Radio buttons with the same parent form one group.
class TRadioButton : public TControl {
 public:
  TRadioButton(TForm* form, std::wstring name, ControlArgs args);
  bool IsRadio() const override { return true; }
  bool Checked() const;
  void SetChecked(bool checked);  // checking one unchecks the others of its group
  void Notify(WORD code) override;

 private:
  // Tab reaches a group at its checked button; the arrow keys move within it.
  void SyncGroupTabStops();
};

// A picture from a bitmap resource; it takes the size of its picture.
class TImage : public TControl {
 public:
  TImage(TForm* form, std::wstring name, ControlArgs args, const wchar_t* bitmapResource);
  SIZE PictureSize() const;

 private:
  UniqueBitmap bitmap_;
};

// A label without a window of its own: the form paints its caption in its font,
// sizes it to the text (AutoSize) and routes the mouse to it.
class TCustomLabel : public TControl {
 public:
  TCustomLabel(TForm* form, std::wstring name, ControlArgs args);

  void SetCaption(const std::wstring& caption) override;
  void Paint(HDC dc) override;
  void AdjustSize();

  bool AutoSize = true;
  bool Transparent = false;
  TColor Color = clBtnFace;
  HCURSOR Cursor = nullptr;  // null: the arrow

  // Mouse notifications from the form, in client coordinates of the label.
  virtual void CMMouseEnter() {}
  virtual void CMMouseLeave() {}
  virtual void MouseMove(UINT /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseDown(int /*button*/, UINT /*shift*/, int /*x*/, int /*y*/) {}
};
enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// A window message as the controls' message handlers receive it; the handler sets Result.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// A standard list box window whose messages pass through a virtual Dispatch,
// so a derived control can watch every message that changes its lines.
class TCustomListBox : public TControl {
 public:
  TCustomListBox(TForm* form, std::wstring name, ControlArgs args, int itemHeight = 13);
  ~TCustomListBox() override;

  void Add(const std::wstring& line);
  void Clear();
  int Count() const;
  std::wstring Line(int index) const;

  bool AlignClient = false;  // fill the form's client area
  // The drawing canvas measures in the toolkit's default font, not in Font().
  TFont CanvasFont;

 protected:
  virtual LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Inherited(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  WNDPROC baseProc_ = nullptr;
};
