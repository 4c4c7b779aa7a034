#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::u16string>;

TEST(CommandLine, SplitsAsTheProgramAlwaysHas) {
  struct Case {
    std::u16string line;
    Items items;
  };
  const Case cases[] = {
      {u"Morvel.exe", {u"Morvel.exe"}},
      {u"Morvel.exe /n C:\\a.txt", {u"Morvel.exe", u"/n", u"C:\\a.txt"}},
      {u"Morvel.exe \t  a\r\nb", {u"Morvel.exe", u"a", u"b"}},  // any run of codes 1..32 is one separator
      {u"\"C:\\Program Files\\Morvel.exe\" \"C:\\My Files\\a.txt\"",
       {u"C:\\Program Files\\Morvel.exe", u"C:\\My Files\\a.txt"}},
      {u"m \"D:\\\"", {u"m", u"D:\\"}},                  // a backslash escapes nothing
      {u"m \"D:\\\" x", {u"m", u"D:\\", u"x"}},
      {u"m C:\\My\" \"Files\\a", {u"m", u"C:\\My Files\\a"}},  // a quoted stretch inside an argument
      {u"m \"unterminated stretch", {u"m", u"unterminated stretch"}},
      {u"m \"\"\"\"abc", {u"m", u"abc"}},               // pairs of quotes at an argument's start are skipped
      {u"m \"\" b", {u"m", u"b"}},                      // ...also when a separator follows them
      {u"m a \"\"", {u"m", u"a"}},
      {u"m \"\"\" \" b", {u"m", u" ", u"b"}},  // after the skipped pair, a quoted blank is an argument
      {u"m a\"\" b", {u"m", u"a", u"b"}},
      {u"m 写真\\旅行", {u"m", u"写真\\旅行"}},
      {u"m a \"", {u"m", u"a"}},  // a lone quote at the end gives an empty argument, which ends the list
      {u"", {}},
      {u"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.items);
}

}  // namespace
