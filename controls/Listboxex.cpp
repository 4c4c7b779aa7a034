#include "Listboxex.h"

#include <algorithm>
#include <string>

TListBoxEx::TListBoxEx(TForm* form, std::wstring name, ControlArgs args, int itemHeight)
    : TCustomListBox(form, std::move(name), std::move(args), itemHeight) {}

LRESULT TListBoxEx::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  switch (msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DIR:
    case LB_ADDFILE:
      LBAdd(message);
      return message.Result;
    case LB_DELETESTRING:
      LBDelete(message);
      return message.Result;
    case LB_RESETCONTENT:
      LBResetContent(message);
      return message.Result;
    default:
      return TCustomListBox::Dispatch(msg, wParam, lParam);
  }
}

void TListBoxEx::SetExtent(int width) {
  SendMessageW(Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

int TListBoxEx::GetTextWidth(int index) {
  // A line that does not exist (a failed add, a bad delete index) counts as empty.
  const LRESULT length = SendMessageW(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return 0;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(Handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  if (got < 0) return 0;
  text.resize(static_cast<size_t>(got));
  ScopedGetDC dc(Handle());
  return TextExtent(dc, CanvasFont.Handle(), text).cx;
}

void TListBoxEx::LBAdd(TMessage& message) {
  PassOn(message);
  if (message.Result < 0) return;  // LB_ERR / LB_ERRSPACE: nothing was added
  // For LB_DIR the result names only the last line it added; the others wait for a rescan.
  const int width = GetTextWidth(static_cast<int>(message.Result));
  if (width > FMaxWidth) {
    SetExtent(width + Space);
    FMaxWidth = width;
  }
}

void TListBoxEx::LBDelete(TMessage& message) {
  // Measure before the line is gone.
  const int width = GetTextWidth(static_cast<int>(message.WParam));
  PassOn(message);
  if (message.Result < 0) return;  // no such line: nothing changed
  if (width < FMaxWidth) return;   // the widest line is still there
  const int count = static_cast<int>(SendMessageW(Handle(), LB_GETCOUNT, 0, 0));
  int widest = 0;
  for (int i = 0; i < count; ++i) widest = std::max(widest, GetTextWidth(i));
  SetExtent(widest + Space);
  FMaxWidth = widest;
}

void TListBoxEx::LBResetContent(TMessage& message) {
  PassOn(message);
  SetExtent(Space);
  FMaxWidth = 0;
}

void TListBoxEx::SetSpace(int value) {
  // Applied even when unchanged, so the window always carries the current margin.
  SetExtent(FMaxWidth + value);
  Space = value;
}
