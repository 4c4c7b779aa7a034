// A list box that keeps its horizontal scroll range fitted to its widest line.
#pragma once
#include <windows.h>

#include "Controls.h"

class TListBoxEx : public TCustomListBox {
 public:
  TListBoxEx(TForm* form, std::wstring name, ControlArgs args, int itemHeight = 13);
  ~TListBoxEx() override = default;

  int Space = 5;  // margin added to the widest line; written through SetSpace
  void SetSpace(int value);
  int GetTextWidth(int index);
  int MaxWidth() const { return FMaxWidth; }

 protected:
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override;
  virtual void LBAdd(TMessage& message);
  virtual void LBDelete(TMessage& message);
  virtual void LBResetContent(TMessage& message);

  int FMaxWidth = 0;

 private:
  void SetExtent(int width);
  void PassOn(TMessage& message) { message.Result = Inherited(message.Msg, message.WParam, message.LParam); }
};
