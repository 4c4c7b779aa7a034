// The application object and the form: a top-level window built from its
// controls, with show, close and key events and modal showing.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Component.h"
#include "Controls.h"
#include "Exception.h"
#include "Graphics.h"

class TForm;
class TMainMenu;

enum class TBorderStyle { Sizeable, Dialog, DialogNoSystemMenu, None };
enum TCloseAction { caNone, caHide, caFree };
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

struct FormArgs {
  std::wstring caption;
  int clientWidth = 300;
  int clientHeight = 300;
  TBorderStyle border = TBorderStyle::Sizeable;
  TColor color = clBtnFace;
  TFont font;                 // the toolkit's default font unless given
  bool snapToScreenEdges = false;  // dragged within 10 pixels of a work-area edge
  bool snapEveryMove = false;      // with snapToScreenEdges: moved by the program too
  bool stayOnTop = false;
  bool toolWindow = false;    // no taskbar button, never activated by showing
};

class TApplication : public TComponent {
 public:
  friend class TModalRun;
  TApplication() : TComponent(nullptr) {}

  void Initialize();  // OLE in apartment mode, common controls
  void Run();         // shows the main form and runs the message loop until Terminate
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void HandleException();  // call from a catch block: shows what is being handled
  void ShowException(const Exception& e);

  // True while a modal run (TModalRun) is on the stack.
  bool InModalRun() const { return !modalRuns_.empty(); }
  // True from a close of the main form that waits for the modal runs until that close runs.
  bool CloseRequested() const { return closeRequested_; }

  std::wstring Title;
  TForm* MainForm = nullptr;
  // The standard error box goes through this seam, so tests can answer it.
  int(WINAPI* ShowBox)(HWND, LPCWSTR, LPCWSTR, UINT) = MessageBoxW;

 private:
  friend class TForm;
  bool DispatchOne(MSG& msg);  // false on WM_QUIT
  void RequestClose();         // the main form's close, made during a modal run
  void EndModalRuns();
  static void CALLBACK EndModalRunsTick(HWND, UINT, UINT_PTR, DWORD);
  bool terminated_ = false;
  bool closeRequested_ = false;
  UINT_PTR endTimer_ = 0;
  std::vector<class TModalRun*> modalRuns_;  // innermost last
};
extern TApplication Application;

// A modal run: a form shown modally, a system dialog, or a call into code that may run
// the program's messages itself (the archiver library). A close of the main form made
// meanwhile waits until the outermost run has returned, then runs: closing frees windows
// and unloads code that those runs still stand in. Waiting, the runs are asked to end,
// innermost first, through `end`; a run without one (the library call) is waited for,
// and so is every run outside it.
class TModalRun {
 public:
  explicit TModalRun(std::function<void()> end = nullptr);
  ~TModalRun();
  TModalRun(const TModalRun&) = delete;
  TModalRun& operator=(const TModalRun&) = delete;

 private:
  friend class TApplication;
  std::function<void()> end_;
};

// Ends the system dialogs (#32770) that this thread shows, as their close box would.
void EndSystemDialogs();

// Runs an event handler so that an exception in it goes to the application's error
// display, as in every window procedure; false when it threw.
template <class Handler>
bool CallGuarded(Handler&& handler) {
  try {
    handler();
    return true;
  } catch (...) {
    Application.HandleException();
    return false;
  }
}

// Runs a window's message dispatch so that no exception travels through the
// system's code: it goes to the application's error display, and the message yields 0.
template <class Dispatch>
LRESULT DispatchGuarded(Dispatch&& dispatch) {
  try {
    return dispatch();
  } catch (...) {
    Application.HandleException();
    return 0;
  }
}

class TForm : public TComponent {
 public:
  TForm(TComponent* owner, FormArgs args);
  ~TForm() override;

  HWND Handle() const { return hwnd_; }
  HWND WindowHandle() override { return hwnd_; }

  void Show();   // runs OnShow first, while still hidden
  void Hide();
  void Close();  // runs OnClose; ends a modal run; the main form ends the application
  int ShowModal();
  bool Visible() const;
  bool Modal() const { return modal_; }
  TModalResult ModalResult = mrNone;

  std::wstring Caption() const;
  void SetCaption(const std::wstring& text);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  // Outer bounds in screen pixels; for a minimised or maximised window the restored ones.
  RECT BoundsRect() const;
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const;
  int Height() const;
  void SetBounds(int left, int top, int width, int height);
  void SetLeftTop(int left, int top);
  const TFont& Font() const { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  std::function<void()> OnShow;
  std::function<void(TCloseAction&)> OnClose;
  std::function<void(WORD key, UINT shift)> OnKeyDown;

  // Controls register themselves here; the subclass calls FinishLayout at the end of its constructor.
  void AddControl(TControl* control);
  void RemoveControl(TControl* control);
  const std::vector<TControl*>& Controls() const { return controls_; }
  void SetMenu(TMainMenu* menu);

 protected:
  // Every message of the window passes through here; override to intercept, call the base for the rest.
  virtual LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  void FinishLayout();  // tab order, radio groups, fonts

 private:
  friend class TApplication;
  friend class TCustomLabel;
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  bool PreTranslate(MSG& msg);  // keyboard interface and shortcuts
  void Snap(RECT& target);  // aligned with the work-area edges near it
  void SnapPlacement(WINDOWPOS& pos);  // a move without a change of size, whoever makes it
  TControl* ControlById(int id) const;
  TCustomLabel* LabelAt(POINT client) const;
  void Paint();
  void TrackMouse(int x, int y);
  LRESULT ControlColor(HDC dc, HWND control);

  HWND hwnd_ = nullptr;
  TFont font_;
  TColor color_;
  UniqueBrush brush_;
  bool snap_;
  bool snapEveryMove_;
  bool modal_ = false;
  bool closing_ = false;
  std::vector<TControl*> controls_;
  TMainMenu* menu_ = nullptr;
  TCustomLabel* hovered_ = nullptr;
  int nextId_ = 100;
};

// A menu bar made from a table of items; items with a shortcut key answer Ctrl+key.
struct MenuItemDef {
  std::wstring name;
  std::wstring parent;   // empty: on the menu bar
  std::wstring caption;  // "-" for a separator
  WORD ctrlKey = 0;      // virtual key used with Ctrl, 0 for none
  std::function<void()> onClick;
};

class TMainMenu : public TComponent {
 public:
  TMainMenu(TForm* form, std::vector<MenuItemDef> items);
  ~TMainMenu() override;
  HMENU Handle() const { return menu_; }
  HACCEL Accelerators() const { return accel_; }
  int CommandId(const std::wstring& name) const;  // the WM_COMMAND id of an item
  bool Click(int id);

 private:
  std::vector<MenuItemDef> items_;
  HMENU menu_ = nullptr;
  HACCEL accel_ = nullptr;
};
