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
PathStyle LinuxStyle() {
  PathStyle s;
  s.unixSeparators = true;
  s.absolute = [](const std::string& p) {
    if (p.rfind(R"(C:\)", 0) != 0) return std::string();
    std::string u = "/c/" + p.substr(3);
    for (char& ch : u)
      if (ch == '\\') ch = '/';
    return u;
  };
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
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.zip)", {true, false, true, true}, LinuxStyle(), plan, error)) << error;
  EXPECT_EQ(plan.main, (Args{"a", "-tzip", "-r", "-sccUTF-8", "-ir-!report.txt", "-ir-!-x.txt", "-ir-!sub", "--",
                             "/c/d/x.zip", "photos/*"}));
  EXPECT_EQ(plan.check, (Args{"t", "-sccUTF-8", "--", "/c/d/x.zip"}));

  // A Windows engine takes the paths as written.
  EnginePlan win;
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.zip)", {false, false, false, false}, PathStyle{}, win, error));
  EXPECT_EQ(win.main, (Args{"a", "-tzip", "-r", "-sccUTF-8", "--", R"(C:\d\x.zip)", "report.txt", R"(photos\*)",
                            "-x.txt", R"(sub\)"}));
}

TEST(BuildEnginePlan, PathSwitchesPasswordsVolumesAndCommandsWithoutCheck) {
  ParsedCommand c;
  std::string error;
  ASSERT_TRUE(ParseCommand({"a", R"(-wC:\tmp)", R"(-xr!sub\*.bak)", R"(-i@C:\lists\in.txt)", "-psecret", "-v10m",
                            "-sccWIN", R"(C:\d\x.7z)"},
                           c, error));
  EnginePlan plan;
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.7z)", {}, LinuxStyle(), plan, error)) << error;
  EXPECT_EQ(plan.main, (Args{"a", "-w/c/tmp", "-xr!sub/*.bak", "-i@/c/lists/in.txt", "-psecret", "-v10m", "-sccWIN",
                             "--", "/c/d/x.7z"}));
  EXPECT_EQ(plan.check, (Args{"t", "-psecret", "-sccUTF-8", "--", "/c/d/x.7z.001"}));

  ASSERT_TRUE(ParseCommand({"x", R"(-oC:\out)", R"(C:\d\x.zip)", R"(C:\d\)", "report.txt"}, c, error));
  ASSERT_TRUE(BuildEnginePlan(c, R"(C:\d\x.zip)", {true}, LinuxStyle(), plan, error));
  // Names of an extraction are entries of the archive, never disk items.
  EXPECT_EQ(plan.main, (Args{"x", "-o/c/out", "-sccUTF-8", "--", "/c/d/x.zip", "report.txt"}));
  EXPECT_TRUE(plan.check.empty());

  // A path the engine cannot be given is an error, not a silent drop.
  ASSERT_TRUE(ParseCommand({"a", R"(D:\elsewhere\x.zip)"}, c, error));
  EXPECT_FALSE(BuildEnginePlan(c, R"(D:\elsewhere\x.zip)", {}, LinuxStyle(), plan, error));
  EXPECT_NE(error.find(R"(D:\elsewhere\x.zip)"), std::string::npos);
}

TEST(ParseEngineVersion, BannersOfTheEngines) {
  struct Case {
    const char* banner;
    unsigned version;
  } cases[] = {
      {"\n7-Zip (z) 26.02 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-06-25\n", 2602},
      {"7-Zip 24.08 (x64) : Copyright (c) 1999-2024 Igor Pavlov : 2024-08-11", 2408},
      {"7-Zip [64] 16.02 : Copyright (c) 1999-2016 Igor Pavlov : 2016-05-21", 1602},
      {"7-Zip 9.20  Copyright (c) 1999-2010 Igor Pavlov  2010-11-18", 920},
      {"7-Zip (a) 23.01 (x86)", 2301},
      {"no banner at all 26.02", 0},
      {"7-Zip\n26.02", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseEngineVersion(c.banner), c.version) << c.banner;
}

TEST(Utf8CutPoint, NeverSplitsACharacter) {
  const std::string text = "ab\xE6\x97\xA5\xE6\x9C\xAC";  // "ab日本"
  const size_t expected[] = {0, 1, 2, 2, 2, 5, 5, 5, 8, 8};
  for (size_t max = 0; max < std::size(expected); ++max) EXPECT_EQ(Utf8CutPoint(text, max), expected[max]) << max;
}

// Texts that a shell or a command-line parser would otherwise act on.
static const std::vector<std::string> kNastyTexts = {
    "plain", "with blank", "it's", "say \"hi\"", "$(touch marker)", "`touch marker`", "a; b & c | d",
    "100% !bang!", "star*?", "new\nline", "-x", "@notes", "trailing\\", "two\\\\\"q", "\\\"", "", "'",
    "''\\''", "\xE6\x97\xA5\xE6\x9C\xAC \xE8\xAA\x9E"};

#ifndef _WIN32
TEST(ShellQuote, RealShellReadsBackEveryTextUnchanged) {
  for (const std::string& text : kNastyTexts) {
    std::string command = "printf '%s|' " + ShellQuote(text);
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string got;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) got.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << text;
    EXPECT_EQ(got, text + "|") << text;
  }
}
#else
TEST(WindowsQuote, CommandLineToArgvReadsBackEveryTextUnchanged) {
  for (const std::string& text : kNastyTexts) {
    std::wstring line = L"prog.exe " + W(FromUtf8(WindowsQuote(text))) + L" next";
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(argc, 3) << text;
    EXPECT_EQ(ToUtf8(U16(argv[1])), text);
    EXPECT_EQ(std::wstring(argv[2]), L"next");
    LocalFree(argv);
  }
}
#endif
