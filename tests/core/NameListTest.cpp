#include "NameList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NameList, Layout) {
  struct Case {
    const char* what;
    std::vector<std::u16string> entries;
    std::u16string block;  // the whole block, its final NULs included
  };
  const Case cases[] = {
      {"one entry", {u"C:\\a"}, std::u16string(u"C:\\a\0\0", 6)},
      {"two entries", {u"a", u"bc"}, std::u16string(u"a\0bc\0\0", 6)},
      {"an empty entry ends the list for the shell", {u"a", u"", u"b"}, std::u16string(u"a\0\0b\0\0", 6)},
      {"only an empty entry", {u""}, std::u16string(u"\0\0", 2)},
      {"text is copied unaltered", {u"C:/x/../y\\", u"かな"}, std::u16string(u"C:/x/../y\\\0かな\0\0", 15)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto block = NewNameList<char16_t>(c.entries);
    ASSERT_NE(block, nullptr);
    // Reading the expected length also proves (under ASan) the block is that big.
    EXPECT_EQ(std::u16string(block.get(), c.block.size()), c.block);
  }
}

TEST(NameList, NoEntriesGiveNull) { EXPECT_EQ(NewNameList<char16_t>(std::vector<std::u16string>{}), nullptr); }

}  // namespace
