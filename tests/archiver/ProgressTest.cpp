// The engine's progress stream read as it arrives: records split anywhere,
// erased with backspaces, percent never going back, 100 only when done.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Progress.h"

using archiver::ProgressReader;

namespace {

struct Case {
  const char* what;
  std::vector<std::string> chunks;
  int percent;
  std::string item;
  bool seen;
};

TEST(ProgressReader, ReadsTheRecordsTheEngineWrites) {
  const std::string erase = "\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b";
  const Case cases[] = {
      {"nothing yet", {}, -1, "", false},
      {"the scan is not a percent", {"  0M Scan\b\b\b\b\b\b\b\b\b         \b\b\b\b\b\b\b\b\b"}, -1, "", false},
      {"a percent alone", {"  0%\b\b\b\b    \b\b\b\b"}, 0, "", true},
      {"percent, count and item", {" 45% 12 + photos/a b.jpg" + erase}, 45, "photos/a b.jpg", true},
      {"split inside the percent and the name", {"  1", "7% 3 + da", "ta/f1", "0.txt\b"}, 17, "data/f10.txt", true},
      {"a record not yet closed counts later", {" 33% 1 + a.txt"}, -1, "", false},
      {"the latest item wins", {"  5% 1 + a.txt\b", " 60% 2 U b.txt\b"}, 60, "b.txt", true},
      {"never backwards", {" 80% 2 + b.txt\b", " 20% 3 + c.txt\b"}, 80, "c.txt", true},
      {"100 written is held at 99", {"100% 9 + z.txt\n"}, 99, "z.txt", true},
      {"Japanese names stay whole", {"  9% 1 + 写真/旅行.jpg\b"}, 9, "写真/旅行.jpg", true},
      {"no mark, no item", {" 12% 4\b"}, 12, "", true},
      {"over 100 is not a percent", {"250% x\b"}, -1, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgressReader r;
    for (const std::string& chunk : c.chunks) r.Feed(chunk);
    EXPECT_EQ(r.Seen(), c.seen);
    if (c.seen) {
      EXPECT_EQ(r.Percent(), c.percent);
    }
    EXPECT_EQ(r.Item(), c.item);
  }
}

TEST(ProgressReader, FinishIsTheOnlyWayTo100) {
  ProgressReader r;
  r.Feed(" 99% 3 + c.txt\b100%\b");
  EXPECT_EQ(r.Percent(), 99);
  r.Finish();
  EXPECT_EQ(r.Percent(), 100);
}

TEST(NonProgressText, KeepsOnlyWhatIsNotProgress) {
  EXPECT_EQ(archiver::NonProgressText("  0M Scan\b\b\b\b\b\b\b\b\b         \b\b\b\b\b\b\b\b\b  "
                                      "0%\b\b\b\b 45% 2 + a.txt\b\b\b"),
            "");
  EXPECT_EQ(archiver::NonProgressText("fake stderr line\r\n 10%\bSegmentation fault\n"),
            "fake stderr line\nSegmentation fault\n");
}

// What 7zz 26.02 wrote on its progress stream (-bsp2) while packing six files.
TEST(ProgressReader, ARealStreamByteByByteRisesToTheLastFile) {
  std::ifstream in(PROGRESS_FIXTURE, std::ios::binary);
  ASSERT_TRUE(in) << PROGRESS_FIXTURE;
  const std::string stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ProgressReader r;
  int last = -1;
  for (char c : stream) {
    r.Feed(std::string(1, c));
    if (r.Seen()) {
      EXPECT_GE(r.Percent(), last);
      last = r.Percent();
    }
  }
  EXPECT_GE(last, 90);
  EXPECT_LT(last, 100);
  EXPECT_EQ(r.Item(), "data/f6.txt");
}

}  // namespace
