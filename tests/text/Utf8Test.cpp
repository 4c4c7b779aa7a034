#include "Utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, EncodesEveryLength) {
  struct Case {
    std::u16string text;
    std::string bytes;
  };
  const Case cases[] = {
      {u"", ""},
      {u"a -tzip", "a -tzip"},
      {u"é", "\xC3\xA9"},
      {u"かなか", "\xE3\x81\x8B\xE3\x81\xAA\xE3\x81\x8B"},  // three kana, nine bytes
      {u"\U0001F600", "\xF0\x9F\x98\x80"},                  // a surrogate pair
      {std::u16string(1, u'\0'), std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(c.text), c.bytes);
    EXPECT_EQ(FromUtf8(c.bytes), c.text);
    EXPECT_TRUE(IsValidUtf8(c.bytes)) << "input size " << c.bytes.size();
  }
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(ToUtf8(u"a\xD800"), "a" + fffd);       // high surrogate at the very end
  EXPECT_EQ(ToUtf8(u"\xD800z"), fffd + "z");       // high surrogate followed by a non-surrogate
  EXPECT_EQ(ToUtf8(u"\xDC00\xD800"), fffd + fffd);  // reversed pair
  EXPECT_EQ(ToUtf8(std::u16string_view(u"\xD83D\xDE00", 1)), fffd) << "must not read past the view";
}

TEST(Utf8, MalformedBytesDecodeToReplacementCharacters) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"\xE3\x81", u"\xFFFD"},              // truncated at the end
      {"\xE3" "a", u"\xFFFD" "a"},           // continuation missing
      {"\x80", u"\xFFFD"},                  // stray continuation byte
      {"\xC0\xAF", u"\xFFFD\xFFFD"},        // overlong lead byte
      {"\xED\xA0\x80", u"\xFFFD"},          // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xFFFD"},  // above U+10FFFF
      {"\xFF", u"\xFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromUtf8(c.bytes), c.text) << "input size " << c.bytes.size();
    EXPECT_FALSE(IsValidUtf8(c.bytes)) << "input size " << c.bytes.size();
    EXPECT_FALSE(IsValidUtf8("ok " + c.bytes + " ok")) << "input size " << c.bytes.size();
  }
  // A replacement character written as such is well-formed text.
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
}

}  // namespace
