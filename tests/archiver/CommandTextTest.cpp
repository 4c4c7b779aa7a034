// The command text of the archiver interface: splitting, parsing and the
// argument lists the engine gets. Built natively (sanitizers) and for Windows.
#include "CommandText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include "Utf8.h"
#include "WideText.h"
#endif

using namespace archiver;
using Args = std::vector<std::string>;

TEST(SplitCommandText, BlanksSeparateQuotesGroupAndAreDropped) {
  struct Case {
    std::string text;
    Args args;
  } cases[] = {
      {"a -tzip -r", {"a", "-tzip", "-r"}},
      {"  a\t-r  ", {"a", "-r"}},
      {R"(a "C:\data\report.zip" "C:\data\" "report.txt")", {"a", R"(C:\data\report.zip)", R"(C:\data\)", "report.txt"}},
      {R"(a "x.zip" "C:\my data\photos\" *)", {"a", "x.zip", R"(C:\my data\photos\)", "*"}},
      {R"(a "x.zip" "" "n")", {"a", "x.zip", "", "n"}},
      {R"(a ab"c d"e)", {"a", "abc de"}},
      {"a \"new\nline\"", {"a", "new\nline"}},
      {"", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) {
    Args args;
    std::string error;
    EXPECT_TRUE(SplitCommandText(c.text, args, error)) << c.text;
    EXPECT_EQ(args, c.args) << c.text;
  }
  Args args;
  std::string error;
  EXPECT_FALSE(SplitCommandText(R"(a -tzip "C:\x.zip)", args, error));
  EXPECT_NE(error.find("quote"), std::string::npos);
}

TEST(ParseCommand, MorvelsThreeFormsAndTheirParts) {
  ParsedCommand c;
  std::string error;
  ASSERT_TRUE(ParseCommand({"a", "-tzip", "-mx=9", "-r", R"(C:\data\report.zip)", R"(C:\data\)", "report.txt"}, c, error));
  EXPECT_EQ(c.command, "a");
  EXPECT_EQ(c.switches, (Args{"-tzip", "-mx=9", "-r"}));
  EXPECT_EQ(c.archive, R"(C:\data\report.zip)");
  EXPECT_TRUE(c.hasBase);
  EXPECT_EQ(c.base, R"(C:\data\)");
  EXPECT_EQ(c.names, (Args{"report.txt"}));

  ASSERT_TRUE(ParseCommand({"A", "-r", "x.zip", "", "n"}, c, error));
  EXPECT_EQ(c.command, "a");
  EXPECT_TRUE(c.hasBase);
  EXPECT_EQ(c.base, "");

  // No base folder: the names follow the archive directly.
  ASSERT_TRUE(ParseCommand({"a", "x.zip", "n1", R"(dir\)"}, c, error));
  EXPECT_FALSE(c.hasBase);
  EXPECT_EQ(c.names, (Args{"n1", R"(dir\)"}));

  // After the archive name everything is a name, switch-like or not.
  ASSERT_TRUE(ParseCommand({"a", "-r", "x.zip", R"(C:\d\)", "-x.txt", "@notes.txt", "--"}, c, error));
  EXPECT_EQ(c.switches, (Args{"-r"}));
  EXPECT_EQ(c.names, (Args{"-x.txt", "@notes.txt", "--"}));
  // "--" ends the switches: an archive whose name begins with '-'.
  ASSERT_TRUE(ParseCommand({"a", "--", "-odd.zip"}, c, error));
  EXPECT_EQ(c.archive, "-odd.zip");
}

TEST(ParseCommand, RefusesWhatCannotBeRun) {
  struct Case {
    Args args;
    const char* reason;
  } cases[] = {
      {{}, "no command"},
      {{"-r"}, "no command"},
      {{"a", "-tzip"}, "no archive"},
      {{"a", "-tzip", ""}, "archive name is empty"},
      {{"q", "x.zip"}, "unknown command"},
      {{R"(C:\data\report.zip)", R"(C:\data\)", "report.txt"}, "unknown command"},  // an empty template
  };
  for (const Case& c : cases) {
    ParsedCommand p;
    std::string error;
    EXPECT_FALSE(ParseCommand(c.args, p, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

namespace {
// Full paths as a system would make them: relative ones from the base folder C:\b\.
PathStyle TestStyle() {
  PathStyle s;
  s.absolute = [](const std::string& p) { return p.rfind("C:", 0) == 0 ? p : std::string(); };
  s.relative = [](const std::string& p) { return R"(C:\b\)" + p; };
  return s;
}
}  // namespace

TEST(BuildEnginePlan, ExactItemsAreIncludedWithoutRecursionAndNamesFollowDoubleDash) {
  ParsedCommand c;
  std::string error;
  ASSERT_TRUE(ParseCommand({"a", "-tzip", "-r", R"(C:\d\x.zip)", R"(C:\d\)", "report.txt", R"(photos\*)", "-x.txt",
                            R"(sub\)"},
                           c, error));
  EnginePlan plan;
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.zip)", {true, false, true, true}, TestStyle(), plan, error)) << error;
  // Names stay as written: they are stored in the archive as given.
  EXPECT_EQ(plan.main, (Args{"a", "-tzip", "-r", "-ir-!report.txt", "-ir-!-x.txt", "-ir-!sub", "--", R"(C:\d\x.zip)",
                             R"(photos\*)"}));
  EXPECT_EQ(plan.archive, R"(C:\d\x.zip)");

  EnginePlan none;
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.zip)", {false, false, false, false}, TestStyle(), none, error));
  EXPECT_EQ(none.main, (Args{"a", "-tzip", "-r", "--", R"(C:\d\x.zip)", "report.txt", R"(photos\*)", "-x.txt",
                             R"(sub\)"}));
}

TEST(BuildEnginePlan, PathsOfSwitchesAreMadeFullFromTheBaseFolder) {
  ParsedCommand c;
  std::string error;
  ASSERT_TRUE(ParseCommand({"a", R"(-wC:\tmp)", R"(-xr!sub\*.bak)", R"(-i@lists\in.txt)", R"(-ax@C:\l\x.txt)",
                            "-psecret", "-v10m", R"(C:\d\x.7z)"},
                           c, error));
  EnginePlan plan;
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.7z)", {}, TestStyle(), plan, error)) << error;
  // A wildcard of -x is matched in the archive's terms and stays as written;
  // list files are read from the disk.
  EXPECT_EQ(plan.main, (Args{"a", R"(-wC:\tmp)", R"(-xr!sub\*.bak)", R"(-i@C:\b\lists\in.txt)",
                             R"(-ax@C:\l\x.txt)", "-psecret", "-v10m", "--", R"(C:\d\x.7z)"}));

  ASSERT_TRUE(ParseCommand({"x", "-oout", R"(C:\d\x.zip)", R"(C:\d\)", "report.txt"}, c, error));
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.zip)", {true}, TestStyle(), plan, error));
  // Names of an extraction are entries of the archive, never disk items.
  EXPECT_EQ(plan.main, (Args{"x", R"(-oC:\b\out)", "--", R"(C:\d\x.zip)", "report.txt"}));

  // A path that cannot be made full is an error, not a silent drop.
  ASSERT_TRUE(ParseCommand({"a", R"(-wD:\elsewhere)", R"(C:\d\x.zip)"}, c, error));
  EXPECT_FALSE(BuildEnginePlan(c, R"(C:\d\x.zip)", {}, TestStyle(), plan, error));
  EXPECT_NE(error.find(R"(D:\elsewhere)"), std::string::npos);
}

TEST(Utf8CutPoint, NeverSplitsACharacter) {
  const std::string text = "ab\xE6\x97\xA5\xE6\x9C\xAC";  // "ab日本"
  const size_t expected[] = {0, 1, 2, 2, 2, 5, 5, 5, 8, 8};
  for (size_t max = 0; max < std::size(expected); ++max) EXPECT_EQ(Utf8CutPoint(text, max), expected[max]) << max;
}
