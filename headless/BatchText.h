// What the headless runner works out from text alone: the batch's paths among
// Morvel's arguments, which lines of its log are results, which path the job
// at work is on, the progress line, and Morvel's command line. Portable.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace headless {

// The arguments that are paths: all of them, or those after a first "/n" (any case).
std::vector<std::u16string> BatchPaths(const std::vector<std::u16string>& arguments);

// "[FileOK] name", "[DirectoryNG] name" and the like: a job's line in the log.
bool IsResultLine(std::u16string_view line);
bool IsFailedLine(std::u16string_view line);

// The source's name in the main window's caption while a job runs
// ("[圧縮中/File] photos"); nothing otherwise.
std::optional<std::u16string> JobName(std::u16string_view caption);

// Which of the batch's paths the job at work is on, followed through the main
// window's caption: a job's name while it runs, something else between jobs.
// Paths that are skipped (missing, unreadable) and renames show no caption, so
// a name is looked for after the path of the last job. Two jobs in a row on
// the same name are told apart only when the caption between them was seen.
class JobCursor {
 public:
  explicit JobCursor(std::vector<std::u16string> paths);
  void Caption(std::u16string_view caption);
  std::size_t Number() const { return number_; }  // 1-based; 0 before the first job
  std::size_t Count() const { return paths_.size(); }
  const std::u16string& Name() const { return name_; }  // of the job at work; empty between jobs

 private:
  std::vector<std::u16string> paths_;
  std::size_t number_ = 0;
  std::u16string name_;
};

// "[12/1000] 45% photos.zip" from the library's progress window title, or
// "[12/1000] photos" from the job's name while the library shows none yet.
std::u16string ProgressText(std::size_t number, std::size_t count, std::u16string_view progressTitle,
                            std::u16string_view jobName);

// Morvel's command line: the program and every argument between double quotes,
// which is how its splitter reads them. Nothing when an argument cannot be
// carried that way (empty, or holding a double quote) or the line would pass
// the 32767 characters Windows allows.
std::optional<std::u16string> MorvelCommandLine(std::u16string_view program, const std::vector<std::u16string>& arguments);
constexpr std::size_t kCommandLineLimit = 32767;

// When the runner stops waiting for the batch by itself: only when a time
// limit was asked for (0: none) and has passed.
bool TimeIsUp(unsigned long long elapsedMs, unsigned long long limitMs);

}  // namespace headless
