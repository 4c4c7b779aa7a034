// What is left of the engine's output for the reasons window: its complaints
// and the items they name, without the banner and the routine report.
#include <gtest/gtest.h>

#include <string>

#include "Reason.h"

namespace {

const char kBanner[] =
    "\n7-Zip (z) 26.02 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-06-25\n"
    " 64-bit locale=C.UTF-8 Threads:2 OPEN_MAX:20000\n\n";

struct Case {
  const char* what;
  std::string output;
  std::string complaint;
};

TEST(EngineComplaint, KeepsWhatWentWrongAndTheItemsItNames) {
  const Case cases[] = {
      {"success says nothing",
       std::string(kBanner) + "Scanning the drive:\n1 file, 2 bytes (1 KiB)\n\nCreating archive: x.zip\n\n"
                              "Add new data to archive: 1 file, 2 bytes (1 KiB)\n\nFiles read from disk: 1\n"
                              "Archive size: 150 bytes (1 KiB)\nEverything is Ok\n",
       ""},
      {"a broken link in the tree",
       std::string(kBanner) + "Scanning the drive:\n\nWARNING: errno=2 : No such file or directory\nw/broken\n\n"
                              "1 folder, 2 files, 4 bytes (1 KiB)\n\nCreating archive: w.zip\n\n"
                              "Scan WARNINGS for files and folders:\n\nw/broken : errno=2 : No such file or "
                              "directory\n----------------\nScan WARNINGS: 1\n"
                              "7-ZIP32.DLL: the engine reported warnings (exit code 1)\n",
       "WARNING: errno=2 : No such file or directory\nw/broken\nScan WARNINGS for files and folders:\n"
       "w/broken : errno=2 : No such file or directory\nScan WARNINGS: 1\n"
       "7-ZIP32.DLL: the engine reported warnings (exit code 1)\n"},
      {"a switch the engine refuses",
       std::string(kBanner) + "Scanning the drive:\n1 file, 2 bytes (1 KiB)\n\nCreating archive: x.zip\n\n\n\n"
                              "System ERROR:\nE_INVALIDARG : One or more arguments are invalid\n",
       "System ERROR:\nE_INVALIDARG : One or more arguments are invalid\n"},
      {"the test after packing failed",
       std::string(kBanner) + "Scanning the drive for archives:\n1 file, 18374076 bytes (18 MiB)\n\n"
                              "Testing archive: bad.zip\n--\nPath = bad.zip\nType = zip\nPhysical Size = 18374076\n\n"
                              "ERROR: CRC Failed : data/f1.txt\n\nSub items Errors: 1\n\nArchives with Errors: 1\n",
       "ERROR: CRC Failed : data/f1.txt\nSub items Errors: 1\nArchives with Errors: 1\n"},
      {"Windows line ends", "ERROR: disk full\r\n\r\n", "ERROR: disk full\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(archiver::EngineComplaint(c.output), c.complaint);
  }
}

}  // namespace
