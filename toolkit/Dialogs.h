// The platform's open-file dialog as a component of the form that owns it.
#pragma once
#include <string>

#include "Component.h"
#include "StringList.h"

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

  // True when the user chose; Files then holds the full paths in the dialog's order.
  bool Execute();

  std::wstring Title;
  std::wstring Filter;      // "text|pattern|text|pattern", as stored with a form
  std::wstring DefaultExt;
  std::wstring InitialDir;
  bool AllowMultiSelect = false;
  bool HideReadOnly = false;
  bool EnableSizing = false;
  TStringList Files;
};
