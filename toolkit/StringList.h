// The toolkit's ordered list of strings.
#pragma once
#include <string>
#include <vector>

class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::wstring> items) : items_(items) {}

  int Add(const std::wstring& s) { items_.push_back(s); return Count() - 1; }
  void Insert(int index, const std::wstring& s) { items_.insert(items_.begin() + index, s); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  const std::wstring& operator[](int index) const { return items_[index]; }
  std::wstring& operator[](int index) { return items_[index]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::wstring> items_;
};
