#include "Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->Insert(this);
}

TComponent::~TComponent() {
  // A child removes itself from owned_ in its own destructor, so always take the last.
  while (!owned_.empty()) delete owned_.back();
  if (owner_) owner_->Remove(this);
}

HWND TComponent::WindowHandle() { return owner_ ? owner_->WindowHandle() : nullptr; }

void TComponent::Insert(TComponent* child) { owned_.push_back(child); }

void TComponent::Remove(TComponent* child) {
  owned_.erase(std::remove(owned_.begin(), owned_.end(), child), owned_.end());
}
