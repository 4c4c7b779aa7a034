#include "Forms.h"

#include <commctrl.h>
#include <ole2.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>

TApplication Application;

namespace {

constexpr wchar_t kFormClass[] = L"TMorvelForm";
constexpr int kSnapDistance = 10;

void RegisterFormClass(WNDPROC proc) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);
  registered = true;
}

// Only our own windows carry a TForm in their user data.
TForm* FormFromWindow(HWND hwnd) {
  wchar_t name[32] = {};
  if (!hwnd || !GetClassNameW(hwnd, name, 32) || lstrcmpW(name, kFormClass) != 0) return nullptr;
  return reinterpret_cast<TForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

struct EnabledWindows {
  std::vector<HWND> windows;
  HWND except;
};

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<EnabledWindows*>(param);
  if (hwnd != state->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) state->windows.push_back(hwnd);
  return TRUE;
}

UINT ShiftState() {
  UINT shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) shift |= MK_CONTROL;
  if (GetKeyState(VK_MENU) < 0) shift |= 0x20;  // Alt
  return shift;
}

}  // namespace

// ---- TApplication ----

void TApplication::Initialize() {
  // The new-style folder browser needs an apartment-threaded COM on this thread.
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
}

bool TApplication::DispatchOne(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  TForm* form = msg.hwnd ? FormFromWindow(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
  if (form && form->PreTranslate(msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void TApplication::Run() {
  if (MainForm) MainForm->Show();
  MSG msg;
  while (!terminated_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    DispatchOne(msg);
  }
  terminated_ = true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!DispatchOne(msg)) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the loop that runs the program
      break;
    }
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::ShowException(const Exception& e) {
  HWND owner = GetActiveWindow();
  TModalRun run(EndSystemDialogs);
  ShowBox(owner, e.Message.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::RequestClose() {
  closeRequested_ = true;
  EndModalRuns();
  // A run that is still starting up (a dialog not yet on screen) is asked again, from
  // whichever message loop runs then.
  if (!endTimer_) endTimer_ = SetTimer(nullptr, 0, 100, &TApplication::EndModalRunsTick);
}

void TApplication::EndModalRuns() {
  for (auto it = modalRuns_.rbegin(); it != modalRuns_.rend(); ++it) {
    if (!(*it)->end_) return;
    (*it)->end_();
  }
}

void CALLBACK TApplication::EndModalRunsTick(HWND, UINT, UINT_PTR, DWORD) {
  if (Application.closeRequested_) Application.EndModalRuns();
}

TModalRun::TModalRun(std::function<void()> end) : end_(std::move(end)) { Application.modalRuns_.push_back(this); }

TModalRun::~TModalRun() {
  auto& runs = Application.modalRuns_;
  runs.erase(std::remove(runs.begin(), runs.end(), this), runs.end());
  if (!runs.empty() || !Application.closeRequested_) return;
  if (Application.endTimer_) KillTimer(nullptr, Application.endTimer_);
  Application.endTimer_ = 0;
  // The close that waited runs from the loop this returns to, with no run on the stack.
  if (Application.MainForm) PostMessageW(Application.MainForm->Handle(), WM_CLOSE, 0, 0);
}

namespace {

BOOL CALLBACK CloseSystemDialog(HWND hwnd, LPARAM) {
  wchar_t name[16] = {};
  if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 16) && lstrcmpW(name, L"#32770") == 0)
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

void EndSystemDialogs() { EnumThreadWindows(GetCurrentThreadId(), CloseSystemDialog, 0); }

void TApplication::HandleException() {
  try {
    throw;
  } catch (const Exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception(L""));
  }
}

// ---- TForm ----

TForm::TForm(TComponent* owner, FormArgs args)
    : TComponent(owner), font_(args.font), color_(args.color), snap_(args.snapToScreenEdges),
      snapEveryMove_(args.snapEveryMove) {
  RegisterFormClass(&TForm::WindowProc);
  // No WS_CLIPCHILDREN: a group box paints only its frame and caption, so the
  // form must erase the area inside it, as a dialog does.
  DWORD style = 0;
  DWORD exStyle = 0;
  switch (args.border) {
    case TBorderStyle::Sizeable: style |= WS_OVERLAPPEDWINDOW; break;
    case TBorderStyle::Dialog: style |= WS_CAPTION | WS_SYSMENU; exStyle |= WS_EX_DLGMODALFRAME; break;
    case TBorderStyle::DialogNoSystemMenu: style |= WS_CAPTION; exStyle |= WS_EX_DLGMODALFRAME; break;
    case TBorderStyle::None: style |= WS_POPUP; break;
  }
  if (args.stayOnTop) exStyle |= WS_EX_TOPMOST;
  if (args.toolWindow) exStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  // Secondary windows are owned by their owner's window: they stay above it and share its taskbar button.
  HWND ownerWindow = nullptr;
  if (auto* ownerForm = dynamic_cast<TForm*>(owner)) ownerWindow = ownerForm->Handle();
  else exStyle |= args.toolWindow ? 0 : WS_EX_APPWINDOW;
  RECT rc{0, 0, args.clientWidth, args.clientHeight};
  AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  hwnd_ = CreateWindowExW(exStyle, kFormClass, args.caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                          rc.right - rc.left, rc.bottom - rc.top, ownerWindow, nullptr, GetModuleHandleW(nullptr),
                          this);
  SetColor(args.color);
}

TForm::~TForm() {
  // Controls are owned components; free them while the window still exists.
  // (The base destructor would do it too, but after our window is gone.)
  hovered_ = nullptr;
  HWND hwnd = hwnd_;
  if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  while (!controls_.empty()) delete controls_.back();
  if (hwnd) DestroyWindow(hwnd);
  hwnd_ = nullptr;
  if (Application.MainForm == this) Application.MainForm = nullptr;
}

void TForm::AddControl(TControl* control) { controls_.push_back(control); }

void TForm::RemoveControl(TControl* control) {
  if (hovered_ == control) hovered_ = nullptr;
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

TControl* TForm::ControlById(int id) const {
  for (auto* c : controls_)
    if (c->Id() == id) return c;
  return nullptr;
}

void TForm::SetMenu(TMainMenu* menu) {
  menu_ = menu;
  ::SetMenu(hwnd_, menu ? menu->Handle() : nullptr);
}

void TForm::FinishLayout() {
  // Tab order: each parent's controls by their tab order, a group box's own controls right after it.
  std::vector<TControl*> ordered;
  std::function<void(TControl*)> visit = [&](TControl* parent) {
    std::vector<TControl*> level;
    for (auto* c : controls_)
      if (c->Parent() == parent && c->Handle()) level.push_back(c);
    std::stable_sort(level.begin(), level.end(), [](TControl* a, TControl* b) {
      const int ta = a->TabOrder() < 0 ? -1 : a->TabOrder(), tb = b->TabOrder() < 0 ? -1 : b->TabOrder();
      return ta < tb;
    });
    for (auto* c : level) {
      ordered.push_back(c);
      visit(c);
    }
  };
  visit(nullptr);
  HWND previous = HWND_TOP;
  const TControl* previousControl = nullptr;
  for (auto* c : ordered) {
    SetWindowPos(c->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = c->Handle();
    // A radio group runs while the next control is a radio button of the same parent.
    LONG_PTR style = GetWindowLongPtrW(c->Handle(), GWL_STYLE);
    const bool continuesGroup =
        c->IsRadio() && previousControl && previousControl->IsRadio() && previousControl->Parent() == c->Parent();
    style = continuesGroup ? (style & ~WS_GROUP) : (style | WS_GROUP);
    SetWindowLongPtrW(c->Handle(), GWL_STYLE, style);
    previousControl = c;
  }
}

void TForm::Show() {
  if (Visible()) return;
  closing_ = false;
  if (OnShow) CallGuarded(OnShow);
  if (closing_ || !hwnd_) return;  // closed while it was being prepared
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void TForm::Hide() { ShowWindow(hwnd_, SW_HIDE); }

bool TForm::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void TForm::Close() {
  if (modal_) {
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return;  // ShowModal's loop ends and hides the form
  }
  if (closing_) return;
  if (Application.MainForm == this && Application.InModalRun()) {
    Application.RequestClose();
    return;
  }
  closing_ = true;
  if (Application.MainForm == this) Application.closeRequested_ = false;
  TCloseAction action = caHide;
  if (OnClose) CallGuarded([&] { OnClose(action); });
  if (action == caNone) {
    closing_ = false;
    return;
  }
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  if (Application.MainForm == this) Application.Terminate();
}

int TForm::ShowModal() {
  // Every other enabled window of the program is disabled while the form runs.
  EnabledWindows others{{}, hwnd_};
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&others));
  const std::vector<HWND>& disabled = others.windows;
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);
  HWND previousActive = GetActiveWindow();

  ModalResult = mrNone;
  modal_ = true;
  TModalRun run([this] {
    if (ModalResult == mrNone) ModalResult = mrCancel;
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the loop, which then sees the result
  });
  if (OnShow) CallGuarded(OnShow);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  // Focus the first control that takes it, as a dialog does.
  if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
  MSG msg;
  while (ModalResult == mrNone) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      if (ModalResult == mrNone) ModalResult = mrCancel;
      break;
    }
    Application.DispatchOne(msg);
  }
  modal_ = false;
  for (HWND hwnd : disabled)
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  if (previousActive && IsWindow(previousActive)) SetActiveWindow(previousActive);
  return ModalResult;
}

std::wstring TForm::Caption() const {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void TForm::SetCaption(const std::wstring& text) { SetWindowTextW(hwnd_, text.c_str()); }
bool TForm::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
void TForm::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

RECT TForm::BoundsRect() const {
  WINDOWPLACEMENT wp{sizeof(wp)};
  if (IsIconic(hwnd_) && GetWindowPlacement(hwnd_, &wp)) {
    // Placement is in work-area coordinates; the restored bounds are what a later run must get back.
    RECT r = wp.rcNormalPosition;
    MONITORINFO mi{sizeof(mi)};
    if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi))
      OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
    return r;
  }
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return r;
}

int TForm::Width() const { const RECT r = BoundsRect(); return r.right - r.left; }
int TForm::Height() const { const RECT r = BoundsRect(); return r.bottom - r.top; }

void TForm::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetLeftTop(int left, int top) {
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

void TForm::SetColor(TColor color) {
  color_ = color;
  brush_.reset(CreateSolidBrush(ColorToRGB(color)));
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool TForm::PreTranslate(MSG& msg) {
  if (menu_ && menu_->Accelerators() && TranslateAcceleratorW(hwnd_, menu_->Accelerators(), &msg)) return true;
  if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR && msg.message != WM_SYSKEYDOWN &&
      msg.message != WM_SYSCHAR && msg.message != WM_KEYUP)
    return false;
  if (msg.hwnd == hwnd_) return false;  // a key meant for the form itself reaches OnKeyDown
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    // Enter presses the focused push button, otherwise the default one.
    HWND focus = GetFocus();
    TControl* target = nullptr;
    for (auto* c : controls_)
      if (c->Handle() == focus && c->IsPushButton()) target = c;
    if (!target)
      for (auto* c : controls_)
        if (c->IsDefault() && c->Enabled()) target = c;
    if (target) {
      if (auto* button = dynamic_cast<TButton*>(target)) button->Click();
      return true;
    }
  }
  // Tab, arrows within radio groups, access keys: the system's dialog keyboard interface.
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void TForm::Snap(RECT& target) {
  const int cx = target.right - target.left, cy = target.bottom - target.top;
  MONITORINFO mi{sizeof(mi)};
  if (!GetMonitorInfoW(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &mi)) return;
  const RECT& wa = mi.rcWork;
  POINT at{target.left, target.top};
  if (std::abs(target.left - wa.left) < kSnapDistance) at.x = wa.left;
  else if (std::abs(target.right - wa.right) < kSnapDistance) at.x = wa.right - cx;
  if (std::abs(target.top - wa.top) < kSnapDistance) at.y = wa.top;
  else if (std::abs(target.bottom - wa.bottom) < kSnapDistance) at.y = wa.bottom - cy;
  target = {at.x, at.y, at.x + cx, at.y + cy};
}

void TForm::SnapPlacement(WINDOWPOS& pos) {
  if (pos.flags & SWP_NOMOVE) return;
  RECT current{};
  GetWindowRect(hwnd_, &current);
  const int cx = current.right - current.left, cy = current.bottom - current.top;
  if (!(pos.flags & SWP_NOSIZE) && (pos.cx != cx || pos.cy != cy)) return;
  RECT target{pos.x, pos.y, pos.x + cx, pos.y + cy};
  Snap(target);
  pos.x = target.left;
  pos.y = target.top;
}

TCustomLabel* TForm::LabelAt(POINT p) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* label = dynamic_cast<TCustomLabel*>(*it);
    if (!label || !label->Visible() || !label->Enabled()) continue;
    const RECT r = label->FormRect();
    if (PtInRect(&r, p)) return label;
  }
  return nullptr;
}

void TForm::TrackMouse(int x, int y) {
  TCustomLabel* under = LabelAt({x, y});
  if (under != hovered_) {
    if (hovered_) hovered_->CMMouseLeave();
    hovered_ = under;
    if (hovered_) hovered_->CMMouseEnter();
  }
  if (hovered_) {
    // Windowless labels learn that the pointer left the form only through this request.
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd_, 0};
    TrackMouseEvent(&tme);
    const RECT r = hovered_->FormRect();
    hovered_->MouseMove(ShiftState(), x - r.left, y - r.top);
  }
}

void TForm::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  for (auto* c : controls_)
    if (!c->Handle() && c->Visible()) c->Paint(dc);
  EndPaint(hwnd_, &ps);
}

LRESULT TForm::ControlColor(HDC dc, HWND) {
  SetBkColor(dc, ColorToRGB(color_));
  SetTextColor(dc, ColorToRGB(font_.Color()));
  return reinterpret_cast<LRESULT>(brush_.get());
}

LRESULT TForm::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd_, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, brush_.get());
      return 1;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND: {
      if (lParam == 0) {  // a menu item or a shortcut
        if (menu_ && menu_->Click(LOWORD(wParam))) return 0;
        break;
      }
      if (TControl* c = ControlById(LOWORD(wParam))) c->Notify(HIWORD(wParam));
      return 0;
    }
    case DM_GETDEFID:
      for (auto* c : controls_)
        if (c->IsDefault()) return MAKELRESULT(c->Id(), DC_HASDEFID);
      return 0;
    case WM_KEYDOWN:
      if (OnKeyDown) OnKeyDown(static_cast<WORD>(wParam), ShiftState());
      return 0;
    case WM_MOVING:
      // Only a move the user makes comes here.
      if (snap_ && !snapEveryMove_) Snap(*reinterpret_cast<RECT*>(lParam));
      return TRUE;
    case WM_WINDOWPOSCHANGING:
      // Every move comes here, the user's drag as well as the program's placing.
      if (snap_ && snapEveryMove_) SnapPlacement(*reinterpret_cast<WINDOWPOS*>(lParam));
      break;
    case WM_SIZE:
      for (auto* c : controls_)
        if (auto* list = dynamic_cast<TCustomListBox*>(c); list && list->AlignClient)
          MoveWindow(list->Handle(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      break;
    case WM_MOUSEMOVE:
      TrackMouse(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSELEAVE:
      if (hovered_) {
        auto* left = hovered_;
        hovered_ = nullptr;
        left->CMMouseLeave();
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a double click is a press too
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (TCustomLabel* label = LabelAt(p)) {
        const int button = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK)   ? mbLeft
                           : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) ? mbRight
                                                                                : mbMiddle;
        const RECT r = label->FormRect();
        label->MouseDown(button, ShiftState(), p.x - r.left, p.y - r.top);
      }
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd_) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd_, &p);
        if (TCustomLabel* label = LabelAt(p); label && label->Cursor) {
          SetCursor(label->Cursor);
          return TRUE;
        }
      }
      break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK TForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return DispatchGuarded([&] { return self->Dispatch(msg, wParam, lParam); });
}

// ---- TMainMenu ----

TMainMenu::TMainMenu(TForm* form, std::vector<MenuItemDef> items) : TComponent(form), items_(std::move(items)) {
  menu_ = CreateMenu();
  std::vector<HMENU> popups(items_.size(), nullptr);
  std::vector<ACCEL> accels;
  for (size_t i = 0; i < items_.size(); ++i) {
    const auto& item = items_[i];
    HMENU parent = menu_;
    for (size_t j = 0; j < i; ++j)
      if (items_[j].name == item.parent) parent = popups[j] ? popups[j] : parent;
    const bool hasChildren = std::any_of(items_.begin(), items_.end(), [&](auto& m) { return m.parent == item.name; });
    if (item.caption == L"-") {
      AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
    } else if (hasChildren) {
      popups[i] = CreatePopupMenu();
      AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popups[i]), item.caption.c_str());
    } else {
      std::wstring text = item.caption;
      if (item.ctrlKey) {
        text += L"\tCtrl+";
        text += static_cast<wchar_t>(item.ctrlKey);
        accels.push_back({FVIRTKEY | FCONTROL, item.ctrlKey, static_cast<WORD>(CommandId(item.name))});
      }
      AppendMenuW(parent, MF_STRING, static_cast<UINT_PTR>(CommandId(item.name)), text.c_str());
    }
  }
  if (!accels.empty()) accel_ = CreateAcceleratorTableW(accels.data(), static_cast<int>(accels.size()));
  form->SetMenu(this);
}

TMainMenu::~TMainMenu() {
  if (accel_) DestroyAcceleratorTable(accel_);
  // The menu bar is destroyed with its window; one that was detached is freed here.
  if (menu_ && !IsMenu(menu_)) menu_ = nullptr;
}

int TMainMenu::CommandId(const std::wstring& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].name == name) return 1000 + static_cast<int>(i);
  return 0;
}

bool TMainMenu::Click(int id) {
  const int index = id - 1000;
  if (index < 0 || index >= static_cast<int>(items_.size())) return false;
  if (items_[static_cast<size_t>(index)].onClick) items_[static_cast<size_t>(index)].onClick();
  return true;
}
