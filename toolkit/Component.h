// The toolkit's component base: a named object with an owner that frees it.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  // The window of this component, created on demand; components without a
  // window answer with their owner's, which parents the dialogs they show.
  virtual HWND WindowHandle();

  std::wstring Name;

 private:
  void Insert(TComponent* child);
  void Remove(TComponent* child);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> owned_;  // freed by this component, newest first
};
