#include "BatchText.h"

#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

using headless::JobCursor;

TEST(BatchText, ThePathsAreTheArgumentsAfterTheSwitch) {
  struct Case {
    std::vector<std::u16string> arguments, paths;
  };
  const Case cases[] = {
      {{u"/n", u"a", u"b"}, {u"a", u"b"}},
      {{u"/N", u"a"}, {u"a"}},
      {{u"/n"}, {}},
      {{}, {}},
      {{u"a", u"/n"}, {u"a", u"/n"}},          // only the first argument can be the switch
      {{u"-n", u"a"}, {u"-n", u"a"}},          // resembles it, is a path
      {{u"/no", u"a"}, {u"/no", u"a"}},
  };
  for (const auto& c : cases) EXPECT_EQ(headless::BatchPaths(c.arguments), c.paths);
}

TEST(BatchText, ResultLinesAndFailures) {
  struct Case {
    std::u16string line;
    bool result, failed;
  };
  const Case cases[] = {
      {u"[FileOK] report.txt", true, false},
      {u"[DirectoryOK] 写真", true, false},
      {u"[RenameOK] old.zip", true, false},
      {u"[FileNG] bad.txt", true, true},
      {u"[DirectoryNG] links", true, true},
      {u"[RenameNG] held.7z", true, true},
      {u"[DirectoryOK] ", true, false},  // a nameless one is still a job's line
      {u"7-ZIP32.DLL 26.02", false, false},
      {u"Alternate Version 9.20", false, false},
      {u"[reasons]", false, false},
      {u"[OK] x", false, false},
      {u"[FileOK]x", false, false},
      {u"FileOK] x", false, false},
      {u"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(headless::IsResultLine(c.line), c.result) << std::string(c.line.begin(), c.line.end());
    EXPECT_EQ(headless::IsFailedLine(c.line), c.failed) << std::string(c.line.begin(), c.line.end());
  }
}

TEST(BatchText, TheJobAtWorkFollowsTheCaption) {
  // Two paths named x.txt, one that is skipped without a caption (missing), one renamed.
  JobCursor cursor({u"Z:\\a\\x.txt", u"Z:\\b\\missing", u"Z:/c/y", u"Z:\\d\\old.zip", u"Z:\\e\\x.txt", u"Z:\\f\\z"});
  EXPECT_EQ(cursor.Count(), 6u);
  struct Step {
    std::u16string caption;
    size_t number;
    std::u16string name;
  };
  const Step steps[] = {
      {u"Morvel 100520", 0, u""},
      {u"[圧縮中/File] x.txt", 1, u"x.txt"},
      {u"[圧縮中/File] x.txt", 1, u"x.txt"},  // seen again: the same job
      {u"完了.", 1, u""},
      {u"[圧縮中/Directory] y", 3, u"y"},  // the missing path showed nothing; '/' is a separator
      {u"[圧縮中/File] x.txt", 5, u"x.txt"},  // the rename showed nothing either
      {u"[圧縮中/File] z", 6, u"z"},       // the caption between them was missed
      {u"[圧縮中/File] nowhere", 6, u"nowhere"},  // a name no later path has keeps the number
  };
  for (const auto& s : steps) {
    cursor.Caption(s.caption);
    EXPECT_EQ(cursor.Number(), s.number) << std::string(s.caption.begin(), s.caption.end());
    EXPECT_EQ(cursor.Name(), s.name);
  }
}

TEST(BatchText, ProgressLine) {
  EXPECT_EQ(headless::ProgressText(12, 1000, u"45% photos.zip", u"photos"), u"[12/1000] 45% photos.zip");
  EXPECT_EQ(headless::ProgressText(1, 3, u"", u"写真"), u"[1/3] 写真");
}

TEST(BatchText, MorvelsSplitterReadsBackEveryArgument) {
  const std::vector<std::vector<std::u16string>> batches = {
      {u"/n", u"Z:\\data\\photos"},
      {u"Z:\\My Files\\a b.txt", u"Z:\\tmp\\tab\there"},
      {u"Z:\\", u"Z:\\x\\ends in backslash\\"},  // no escape: a backslash before the quote stays
      {u"Z:\\写真\\旅行.txt", u"'single'", u"a&b|c"},
      {},
  };
  for (const auto& args : batches) {
    const auto line = headless::MorvelCommandLine(u"Z:\\app\\Morvel.exe", args);
    ASSERT_TRUE(line.has_value());
    std::vector<std::u16string> read = SplitCommandLine(*line);
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read[0], u"Z:\\app\\Morvel.exe");
    read.erase(read.begin());
    EXPECT_EQ(read, args);
  }
}

TEST(BatchText, ArgumentsThatCannotBeCarriedAreRefused) {
  EXPECT_FALSE(headless::MorvelCommandLine(u"M.exe", {u"a", u"x\"y"}).has_value()) << "a double quote";
  EXPECT_FALSE(headless::MorvelCommandLine(u"M.exe", {u"", u"a"}).has_value()) << "an empty one ends Morvel's list";
  // At the limit of one Windows command line: "M.exe" with its quotes, then " "x"" per argument.
  const std::u16string program = u"M.exe";
  const size_t fixed = program.size() + 2 + 3;
  const std::u16string longest(headless::kCommandLineLimit - 1 - fixed, u'a');
  EXPECT_TRUE(headless::MorvelCommandLine(program, {longest}).has_value());
  EXPECT_FALSE(headless::MorvelCommandLine(program, {longest + u"a"}).has_value());
}

TEST(BatchText, NoTimeLimitUnlessOneIsAsked) {
  const unsigned long long day = 24ull * 3600 * 1000;
  EXPECT_FALSE(headless::TimeIsUp(30 * day, 0)) << "a batch runs as long as its jobs do";
  EXPECT_FALSE(headless::TimeIsUp(120000, 120000));
  EXPECT_TRUE(headless::TimeIsUp(120001, 120000));
}

}  // namespace
