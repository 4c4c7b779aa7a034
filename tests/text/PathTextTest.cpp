#include "PathText.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
  std::u16string path;
  std::u16string folder;
  std::u16string name;
};

TEST(PathText, FolderAndNameParts) {
  const PathCase cases[] = {
      {u"C:\\data\\report.txt", u"C:\\data\\", u"report.txt"},
      {u"C:\\", u"C:\\", u""},
      {u"C:", u"C:", u""},
      {u"C:report.txt", u"C:", u"report.txt"},
      {u"report.txt", u"", u"report.txt"},
      {u"", u"", u""},
      {u"\\\\server\\share\\a", u"\\\\server\\share\\", u"a"},
      {u"C:\\data\\photos\\", u"C:\\data\\photos\\", u""},
      {u"C:/data/x.txt", u"C:", u"/data/x.txt"},  // '/' is not a separator here
      {u"D:\\写真\\旅行.jpg", u"D:\\写真\\", u"旅行.jpg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder);
    EXPECT_EQ(NamePart(c.path), c.name);
    EXPECT_EQ(FolderPart(c.path) + NamePart(c.path), c.path) << "parts must add up to the path";
  }
}

TEST(PathText, ReplaceExtension) {
  struct Case {
    std::u16string path, ext, expected;
  };
  const Case cases[] = {
      {u"report.txt", u".zip", u"report.zip"},
      {u"a.tar.gz", u".zip", u"a.tar.zip"},
      {u"README", u".zip", u"README.zip"},
      {u".config", u".zip", u".zip"},
      {u"C:\\dir.x\\file", u".zip", u"C:\\dir.x\\file.zip"},
      {u"C:\\data\\notes.txt", u"zip", u"C:\\data\\noteszip"},
      {u"C:\\data\\notes.txt", u"", u"C:\\data\\notes"},
      {u"C:\\data\\old.7z", u".zip", u"C:\\data\\old.zip"},
      {u"C:\\data\\a.zip", u".zip", u"C:\\data\\a.zip"},
      {u"C:a.txt", u".zip", u"C:a.zip"},
      {u"C:.", u".zip", u"C:.zip"},
      {u"", u".zip", u".zip"},
      {u"name.", u".7z", u"name.7z"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceExtension(c.path, c.ext), c.expected);
}

}  // namespace
