// Reading the engine's progress stream. With -bsp2 the 7-Zip engine writes its
// progress to its own stream as records like "  45% 12 + photos/a.jpg", each
// erased with backspaces before the next is written. Plain C++ on UTF-8 bytes,
// fed as the engine writes them, so that it is built and tested natively too.
#pragma once
#include <string>
#include <string_view>

namespace archiver {

class ProgressReader {
 public:
  // Bytes as they came; a record may be split across calls.
  void Feed(std::string_view bytes);

  // The highest percent seen, held below 100 until Finish: the engine writes
  // 100% before it has closed the archive.
  int Percent() const { return finished_ ? 100 : (percent_ > 99 ? 99 : percent_); }
  // The item named by the latest record that named one (UTF-8), or empty.
  const std::string& Item() const { return item_; }
  // Whether any record was read at all.
  bool Seen() const { return percent_ >= 0; }
  void Finish() { finished_ = true; }

 private:
  void Record(std::string_view record);

  std::string pending_;
  int percent_ = -1;
  std::string item_;
  bool finished_ = false;
};

// A whole progress stream less its progress records and the scan's counter:
// whatever else the engine wrote there (a crash, a message), one line each.
std::string NonProgressText(std::string_view stream);

}  // namespace archiver
