// The toolkit's exception: what an event handler throws to have the application
// object's standard error box show Message (caption: the application title).
#pragma once
#include <string>

class Exception {
 public:
  explicit Exception(std::wstring message) : Message(std::move(message)) {}
  virtual ~Exception() = default;
  std::wstring Message;
};
