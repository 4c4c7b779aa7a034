// The double-NUL-terminated list the shell file operation takes: each entry
// followed by one NUL, then one more NUL. Entries are copied unaltered, so an
// empty entry ends the list early as far as the shell is concerned.
#pragma once
#include <algorithm>
#include <cstddef>
#include <memory>

// Null when there are no entries. One array allocation of (sum of length + 1) + 1.
template <typename Char, typename Strings>
std::unique_ptr<Char[]> NewNameList(const Strings& entries) {
  std::size_t total = 0;
  bool any = false;
  for (const auto& entry : entries) {
    total += entry.size() + 1;
    any = true;
  }
  if (!any) return nullptr;
  auto block = std::make_unique<Char[]>(total + 1);  // value-initialised: all NUL
  std::size_t pos = 0;
  for (const auto& entry : entries) {
    std::copy(entry.begin(), entry.end(), block.get() + pos);
    pos += entry.size() + 1;
  }
  return block;
}
