#include "VersionText.h"

#include <cstdio>

std::u16string VersionText(std::uint16_t version, std::uint16_t subVersion) {
  // Deliberately the floating-point form the log has always shown: for every
  // 16-bit value it prints V div 100, a point and V mod 100 in two digits.
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%02.02f.%02.02f", version * 0.01, subVersion * 0.01);
  return std::u16string(text, text + (n > 0 ? n : 0));
}
