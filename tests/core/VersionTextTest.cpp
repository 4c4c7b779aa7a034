#include "VersionText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VersionText, Examples) {
  struct Case {
    std::uint16_t version, subVersion;
    std::u16string text;
  };
  const Case cases[] = {
      {920, 2, u"9.20.0.02"},       {0, 0, u"0.00.0.00"},     {65535, 65535, u"655.35.655.35"},
      {1602, 5, u"16.02.0.05"},     {100, 10, u"1.00.0.10"},  {1, 99, u"0.01.0.99"},
      {2600, 1234, u"26.00.12.34"},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionText(c.version, c.subVersion), c.text) << c.version << "/" << c.subVersion;
}

std::u16string Hundredths(unsigned v) {
  const std::string s = std::to_string(v / 100) + "." + (v % 100 < 10 ? "0" : "") + std::to_string(v % 100);
  return std::u16string(s.begin(), s.end());
}

// The floating-point format must round to the exact hundredths for every
// 16-bit number, in both positions.
TEST(VersionText, EverySixteenBitValueReadsAsHundredths) {
  for (unsigned v = 0; v <= 0xFFFF; ++v) {
    const auto n = static_cast<std::uint16_t>(v);
    const std::u16string expected = Hundredths(v) + u"." + Hundredths(0xFFFF - v);
    ASSERT_EQ(VersionText(n, static_cast<std::uint16_t>(0xFFFF - v)), expected) << v;
  }
}

}  // namespace
