#include "CommandLine.h"

namespace {

bool IsSeparator(char16_t c) { return c >= 1 && c <= 32; }

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
  std::vector<std::u16string> items;
  size_t i = 0;
  const auto at = [&](size_t k) -> char16_t { return k < line.size() ? line[k] : u'\0'; };
  for (;;) {
    // Separators, and pairs of quotes at the very start of an item, are skipped.
    for (;;) {
      while (IsSeparator(at(i))) ++i;
      if (at(i) == u'"' && at(i + 1) == u'"') i += 2;
      else break;
    }
    std::u16string item;
    while (at(i) != u'\0' && !IsSeparator(at(i))) {
      if (at(i) == u'"') {
        ++i;
        while (at(i) != u'\0' && at(i) != u'"') item += line[i++];
        if (at(i) == u'"') ++i;
      } else {
        item += line[i++];
      }
    }
    if (item.empty()) break;
    items.push_back(std::move(item));
  }
  return items;
}
